# SPDX-License-Identifier: MIT
# bash completion for canalarm: subcommands, their options, COM ports from
# the ports folder, firmware files, parameter fields and backups.

_canalarm_ports() {
    local folder=${XDG_CONFIG_HOME:-$HOME/.config}/canalarm/ports link n
    local -a ports=()
    for link in "$folder"/com*; do
        [[ -e $link ]] || continue
        n=${link##*/com}
        [[ $n == +([0-9]) ]] && ports+=("COM$n")
    done
    ((${#ports[@]})) || ports=(COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 COM10 COM11 COM12)
    COMPREPLY=($(compgen -W "${ports[*]}" -- "$cur"))
    # A device path is a port too.
    [[ $cur == /* ]] && COMPREPLY+=($(compgen -f -- "$cur"))
}

_canalarm() {
    local cur prev words cword
    _init_completion -n = || return

    local link="--port -p --baud --lang --json --random-key --trace --no-progress --help"
    local fields="soundOff= autoArming= locking= fiFunction= fiDelay90= channel1GpsInfo=
        smartKey= closingWindows= channel2LiteOn= fs1= fs2= fs3= modeFA= mode= pin=
        programNumber="

    # The subcommand (and, for params and ports, its own subcommand).
    local i command="" sub=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${words[i]}
                elif [[ ($command == params || $command == ports) && -z $sub ]]; then
                    sub=${words[i]}
                fi
                ;;
        esac
    done

    case $prev in
        -p | --port) _canalarm_ports; return ;;
        --baud) COMPREPLY=($(compgen -W "9600 19200 38400" -- "$cur")); return ;;
        --lang) COMPREPLY=($(compgen -W "pl en de ru sk cz hu 0 1 2 3 4 5 6" -- "$cur")); return ;;
        --trace | -o | --output | --help-text) _filedir; return ;;
    esac

    case $command in
        "")
            COMPREPLY=($(compgen -W "info encode decode version upload params backups ports --help --version" -- "$cur"))
            ;;
        info)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--plain --encoded --json --help" -- "$cur"))
            else
                _filedir '@(hexfw|hex|HEXFW|HEX)'
            fi
            ;;
        encode)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--help-text --output -o --help" -- "$cur"))
            else
                _filedir '@(hex|HEX)'
            fi
            ;;
        decode)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--output -o --help" -- "$cur"))
            else
                _filedir '@(hexfw|HEXFW)'
            fi
            ;;
        version)
            COMPREPLY=($(compgen -W "$link --device-id" -- "$cur"))
            ;;
        upload)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$link --plain --encoded --no-eeprom --used-only --flash-size --verify --file-parameters" -- "$cur"))
            else
                _filedir '@(hexfw|hex|HEXFW|HEX)'
            fi
            ;;
        params)
            case $sub in
                "") COMPREPLY=($(compgen -W "read write restore --help" -- "$cur")) ;;
                read) COMPREPLY=($(compgen -W "$link" -- "$cur")) ;;
                write)
                    if [[ $cur == -* ]]; then
                        COMPREPLY=($(compgen -W "$link --verify" -- "$cur"))
                    elif [[ $cur == mode=* ]]; then
                        COMPREPLY=($(compgen -W "FI FA" -- "${cur#*=}"))
                    elif [[ $cur == *=* && $cur != pin=* && $cur != programNumber=* ]]; then
                        COMPREPLY=($(compgen -W "on off" -- "${cur#*=}"))
                    else
                        COMPREPLY=($(compgen -W "$fields" -- "$cur"))
                        compopt -o nospace
                    fi
                    ;;
                restore)
                    if [[ $cur == -* ]]; then
                        COMPREPLY=($(compgen -W "$link --dry-run --verify" -- "$cur"))
                    else
                        _filedir backup  # or a number of `canalarm backups`
                    fi
                    ;;
            esac
            ;;
        backups)
            COMPREPLY=($(compgen -W "--json --help" -- "$cur"))
            ;;
        ports)
            case $sub in
                "") COMPREPLY=($(compgen -W "assign unassign --all --json --help" -- "$cur")) ;;
                assign)
                    if [[ $cur == -* ]]; then
                        COMPREPLY=($(compgen -W "--force --help" -- "$cur"))
                    else
                        _canalarm_ports  # a COM number, or a device path after /
                    fi
                    ;;
                unassign) _canalarm_ports ;;
            esac
            ;;
    esac
} &&
    complete -F _canalarm canalarm
