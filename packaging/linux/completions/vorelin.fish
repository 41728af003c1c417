# fish completion for vorelin: vorelin PORT COMMAND [ARGUMENTS]
complete -c vorelin -f
complete -c vorelin -l help -d 'Show the help'
complete -c vorelin -l version -d 'Show the version'
complete -c vorelin -n "test (count (commandline -opc)) -eq 1" -a "(path filter /dev/tty[A-Z]* /dev/serial/by-id/* 2>/dev/null; __fish_complete_path)" -d 'Serial port'
complete -c vorelin -n "test (count (commandline -opc)) -eq 2" -a "version present beep power read write check-password change-password"
complete -c vorelin -n "test (count (commandline -opc)) -eq 3; and __fish_seen_subcommand_from beep" -a "0 1"
complete -c vorelin -n "test (count (commandline -opc)) -eq 3; and __fish_seen_subcommand_from power" -a "on off"
