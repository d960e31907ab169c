# bash completion for qdu

_qdu() {
    local cur prev words cword
    _init_completion || return

    local commands="list settings set apply restore-defaults status check history doctor power-cycle"
    local globals="--simulate --drive -d --trace --json --sim-state --help --version"
    local settings="reading-feature reading-mode clarivox real-time-clarivox zeve-duzir-iraveri
        video-audio-mode led-off smooth-tray bdr-high-speed bd-write-mode dvd-write-mode"

    case $prev in
        --sim-state|--history|-o|--output)
            _filedir
            return ;;
        --drive|-d)
            COMPREPLY=($(compgen -W "C D E F G H I J K L M N O P Q R S T U V W X Y Z" -- "$cur"))
            return ;;
        --format)
            COMPREPLY=($(compgen -W "json csv html" -- "$cur"))
            return ;;
    esac

    # The command, and what follows it.
    local i command="" sub=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --sim-state|--history|--drive|-d|--format|-o|--output|--disc|--since) ((i++)) ;;
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${words[i]}
                elif [[ $command == history && -z $sub ]]; then
                    sub=${words[i]}
                fi ;;
        esac
    done

    case $command in
        "")
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$globals" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            fi ;;
        set)
            local setting=""
            for ((i = 1; i < cword; i++)); do
                [[ " $settings " == *" ${words[i]} "* ]] && setting=${words[i]}
            done
            if [[ -z $setting ]]; then
                COMPREPLY=($(compgen -W "$settings --save --yes" -- "$cur"))
            else
                local values
                case $setting in
                    reading-feature) values="off advanced-quiet high-speed-read" ;;
                    reading-mode) values="persistent-quiet quiet performance" ;;
                    clarivox) values="off perfect master" ;;
                    bd-write-mode) values="off surface-quality write-quality over-speed-protection surface-quality-high-speed" ;;
                    dvd-write-mode) values="off surface-quality over-speed-protection surface-quality-high-speed" ;;
                    *) values="on off" ;;
                esac
                COMPREPLY=($(compgen -W "$values --save --yes" -- "$cur"))
            fi ;;
        apply)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--save --yes" -- "$cur"))
            else
                _filedir json
            fi ;;
        status) COMPREPLY=($(compgen -W "--watch --clear" -- "$cur")) ;;
        check)
            COMPREPLY=($(compgen -W "--quick --yes --batch --history --no-history" -- "$cur")) ;;
        restore-defaults) COMPREPLY=($(compgen -W "--yes" -- "$cur")) ;;
        history)
            case $sub in
                "") COMPREPLY=($(compgen -W "show compare export forget --disc --since --history" -- "$cur")) ;;
                compare) COMPREPLY=($(compgen -W "--force" -- "$cur")) ;;
                export) COMPREPLY=($(compgen -W "--format --output -o" -- "$cur")) ;;
                forget) COMPREPLY=($(compgen -W "--disc --yes" -- "$cur")) ;;
            esac ;;
    esac
} &&
    complete -F _qdu qdu
