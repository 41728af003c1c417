# fish completion for lodemar-cli
set -l commands show export import diff read write verify probe apply help
set -l keyboard diff read write verify probe apply

complete -c lodemar-cli -f
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -l emulate -d 'Use the emulated keyboard (=FILE: kept in FILE)'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'
complete -c lodemar-cli -l help -d 'Show the help'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a show -d 'Show a key table or layout'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a export -d 'Write a key table as a JSON layout'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a import -d 'Make a key table from a JSON layout'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a diff -d 'Compare two key tables, or one with the keyboard'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a read -d "Read the keyboard's key table"
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a write -d 'Write a key table to the keyboard'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a verify -d 'Compare the keyboard with a key table'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a probe -d 'Ask the keyboard to identify itself'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a apply -d 'Write a key table where the keyboard differs'
complete -c lodemar-cli -n "not __fish_seen_subcommand_from $commands" -a help -d 'Show the help of a command'
complete -c lodemar-cli -n "__fish_seen_subcommand_from help" -a "$commands"

complete -c lodemar-cli -n "__fish_seen_subcommand_from $keyboard" -l emulate -d 'Use the emulated keyboard (=FILE: kept in FILE)'
complete -c lodemar-cli -n "__fish_seen_subcommand_from show diff verify probe apply" -l json -d 'Write JSON'
complete -c lodemar-cli -n "__fish_seen_subcommand_from diff" -l keyboard -d 'Compare with the keyboard'
complete -c lodemar-cli -n "__fish_seen_subcommand_from write" -l no-verify -d 'Do not read back'
complete -c lodemar-cli -n "__fish_seen_subcommand_from apply" -l check -d 'Only say whether it would write'
complete -c lodemar-cli -n "__fish_seen_subcommand_from export import read" -s o -r -F -d 'Output file'
complete -c lodemar-cli -n "__fish_seen_subcommand_from import" -k -a "(__fish_complete_suffix .json)"
complete -c lodemar-cli -n "__fish_seen_subcommand_from show export diff write verify apply" -k -a "(__fish_complete_suffix .dat; __fish_complete_suffix .json)"
