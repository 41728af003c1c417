#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyboardSession.h"

#include <algorithm>

namespace lodemar::cli {

int runWrite(const Arguments& given)
{
    // The read-back that confirms the write can be left out.
    Arguments arguments = given;
    const auto noVerify = std::remove(arguments.begin(), arguments.end(), text::NO_VERIFY_OPTION);
    const bool verify = noVerify == arguments.end();
    arguments.erase(noVerify, arguments.end());
    return writeFileToKeyboard(commandNamed("write").name, arguments, verify);
}

} // namespace lodemar::cli
