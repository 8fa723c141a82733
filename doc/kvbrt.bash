# bash completion for kvbrt, the command-line tool of the KVB-RT Wave Manager.
# Installed as share/bash-completion/completions/kvbrt.
#
# Completes the command names, each command's options, the words of its
# actions (category add|rename|..., kit name|set|...|show), option values, and
# folders where a VOLUME or a folder is expected, audio files for import.

_kvbrt_commands="demo init info list inspect volumes import export copy rename category kit delete renumber wavelist play backup restore check duplicates"

# The options of one command (the test suite checks these against `kvbrt CMD --help`).
_kvbrt_options() {
    local opts=""
    case $1 in
        demo) opts="" ;;
        init) opts="" ;;
        info) opts="--json" ;;
        list) opts="--sort --category --json" ;;
        inspect) opts="--json" ;;
        volumes) opts="--json" ;;
        import) opts="--category --convert --json" ;;
        export) opts="--to --json" ;;
        copy) opts="--category --convert --json" ;;
        rename) opts="" ;;
        category) opts="--before --after --to" ;;
        kit) opts="--sub --json" ;;
        delete) opts="--json" ;;
        renumber) opts="--dry-run --json" ;;
        wavelist) opts="" ;;
        play) opts="--volume --loop --json" ;;
        backup) opts="--json" ;;
        restore) opts="--no-staging --json" ;;
        check) opts="--json --fix" ;;
        duplicates) opts="--json" ;;
    esac
    echo "$opts --help --yes --no --wait --no-lock"
}

_kvbrt() {
    local cur prev cmd i word npos=0
    COMPREPLY=()
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}

    # The command, and how many arguments (not options or their values) follow it.
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            --sort | --category | --to | --before | --after | --volume | --sub) ((i++)) ;;
            -*) ;;
            *) if [[ -z $cmd ]]; then cmd=$word; else ((npos++)); fi ;;
        esac
    done

    if [[ -z $cmd ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--help --version --yes --no --wait --no-lock" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$_kvbrt_commands" -- "$cur"))
        fi
        return 0
    fi

    case $prev in
        --sort) COMPREPLY=($(compgen -W "number name category" -- "$cur")); return 0 ;;
        # export's --to is a folder; category move's a position.
        --to) [[ $cmd == export ]] && COMPREPLY=($(compgen -d -- "$cur")); return 0 ;;
        --category | --before | --after | --volume | --sub) return 0 ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_kvbrt_options "$cmd")" -- "$cur"))
        return 0
    fi

    # The first argument of every command but inspect and volumes is a folder.
    if ((npos == 0)); then
        case $cmd in
            volumes) return 0 ;;
            inspect) COMPREPLY=($(compgen -f -X '!*.kvb' -- "$cur") $(compgen -d -- "$cur")) ;;
            *) COMPREPLY=($(compgen -d -- "$cur")) ;;
        esac
        return 0
    fi
    case $cmd in
        import)
            COMPREPLY=($(compgen -d -- "$cur"))
            for word in wav WAV aif AIF aiff AIFF; do COMPREPLY+=($(compgen -f -X "!*.$word" -- "$cur")); done
            ;;
        backup) COMPREPLY=($(compgen -d -- "$cur")) ;;
        copy) ((npos == 1)) && COMPREPLY=($(compgen -d -- "$cur")) ;;
        restore) COMPREPLY=($(compgen -f -X '!*.kvb' -- "$cur") $(compgen -d -- "$cur")) ;;
        category) ((npos == 1)) && COMPREPLY=($(compgen -W "add rename delete move assign" -- "$cur")) ;;
        kit) ((npos == 1)) && COMPREPLY=($(compgen -W "name set clear swap show" -- "$cur")) ;;
    esac
    return 0
}

complete -o filenames -F _kvbrt kvbrt
