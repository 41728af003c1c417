# Helpers shared by every module's CMakeLists.txt.

# Adds each named folder that has a CMakeLists.txt; a folder without one adds
# each of its children that has one (so tests/, tools/ and emulator/ grow by
# adding folders, not by editing a shared list).
function(lodemar_add_subdirs)
  foreach(dir IN LISTS ARGN)
    set(abs "${CMAKE_CURRENT_SOURCE_DIR}/${dir}")
    if(EXISTS "${abs}/CMakeLists.txt")
      add_subdirectory(${dir})
    elseif(IS_DIRECTORY "${abs}")
      file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS RELATIVE "${abs}" "${abs}/*")
      list(SORT children)
      foreach(child IN LISTS children)
        if(EXISTS "${abs}/${child}/CMakeLists.txt")
          add_subdirectory(${dir}/${child})
        endif()
      endforeach()
    endif()
  endforeach()
endfunction()

macro(lodemar_apply_global_flags)
  # Hardening first: its -Wformat would otherwise lower -Wformat=2 again.
  lodemar_apply_hardening()
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-Wall -Wextra -Wshadow -Wformat=2
      "$<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor;-Woverloaded-virtual>"
      "$<$<COMPILE_LANGUAGE:C>:-Wstrict-prototypes;-Wmissing-prototypes>")
    if(LODEMAR_WERROR)
      add_compile_options(-Werror)
    endif()
  endif()
  if(LODEMAR_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
endmacro()

# lodemar_add_gtest(name SOURCES ... [LIBS ...] [QT] [LABELS ...])
# A GoogleTest binary registered with ctest. QT tests get the offscreen
# platform and link gtest without its main (they bring a main that makes
# the QApplication, see tests/common/qt_test_main.cpp).
function(lodemar_add_gtest name)
  cmake_parse_arguments(A "QT" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  if(A_QT)
    target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock
                          Qt6::Widgets Qt6::Test lodemar_qt_test_main)
  else()
    target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  endif()
  set(env "QT_QPA_PLATFORM=offscreen" "LODEMAR_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
          "LODEMAR_BINARY_DIR=${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${env}" LABELS "${A_LABELS}" TIMEOUT 300)
endfunction()

# lodemar_add_fuzzer(name SOURCES ... [LIBS ...] [CORPUS dir])
# Built only with LODEMAR_FUZZ; each runs as a ctest test labelled "fuzz" for
# LODEMAR_FUZZ_SECONDS, starting from a copy of its seed corpus.
function(lodemar_add_fuzzer name)
  cmake_parse_arguments(A "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT LODEMAR_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(work "${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus")
  set(seed "")
  if(A_CORPUS)
    set(seed "${A_CORPUS}")
  endif()
  add_test(NAME fuzz.${name}
    COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${name}> -DWORK=${work}
            -DSEED=${seed} -DSECONDS=${LODEMAR_FUZZ_SECONDS}
            -P ${PROJECT_SOURCE_DIR}/cmake/RunFuzzer.cmake)
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz
                       TIMEOUT 600)
endfunction()

# lodemar_add_benchmark(name SOURCES ... [LIBS ...])
function(lodemar_add_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT LODEMAR_BENCH)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
endfunction()

# The usual hardening of every program and library, as Debian's
# dpkg-buildflags gives it (hardening=+all) plus stack-clash and control-flow
# protection where the compiler has them: position-independent executables,
# full RELRO with immediate binding, _FORTIFY_SOURCE=2 (optimised builds,
# not with the sanitizers), the strong stack protector and format checks.
# A package build that brings the same flags is not given them twice. The
# Windows cross builds keep their own (the kernel driver has none of these).
option(LODEMAR_HARDENING "Build with the usual hardening flags" ON)
macro(lodemar_apply_hardening)
  if(LODEMAR_HARDENING AND NOT WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    include(CheckPIESupported)
    check_pie_supported(LANGUAGES C CXX)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat -Werror=format-security)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|i.86")
      add_compile_options(-fcf-protection)
    endif()
    if(NOT "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}" MATCHES "_FORTIFY_SOURCE" AND NOT LODEMAR_SANITIZE
       AND NOT LODEMAR_FUZZ)
      add_compile_options($<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
    endif()
    add_link_options(-Wl,-z,relro -Wl,-z,now)
  endif()
endmacro()

# lodemar_forbid_qt(target): fails the configuration when Qt reaches the
# target through any of its link libraries, however deep (checked once every
# target is defined). The Windows cross builds, which have no Qt at all,
# compile the same targets.
function(lodemar_forbid_qt target)
  # A deferred call's arguments are read when it runs: the name goes in now.
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL _lodemar_check_no_qt [[${target}]])")
endfunction()

function(_lodemar_check_no_qt target)
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${current})
    if(current MATCHES "^Qt[0-9]*::" OR current MATCHES "^Qt[0-9]*(Core|Gui|Widgets)")
      message(FATAL_ERROR "${target} must not link Qt, but reaches ${current}")
    endif()
    if(NOT TARGET ${current})
      continue()
    endif()
    get_target_property(type ${current} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(usage ${current} INTERFACE_LINK_LIBRARIES)
    if(usage)
      list(APPEND links ${usage})
    endif()
    foreach(link IN LISTS links)
      # $<LINK_ONLY:x> and other generator expressions: the target inside.
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      if(NOT link MATCHES "^\\$<")
        list(APPEND pending ${link})
      endif()
    endforeach()
  endwhile()
endfunction()
