# bash completion for widgethost                                               -*- shell-script -*-
# Commands, their options and values; the identifiers of the snapshot's sources (`entities --json`)
# and the numbers of placed widgets (`list --json`) are asked of the program being completed, with
# the --extension already on the line. Those two need jq; without it they offer nothing.

# The lines of standard input that start with the word being completed. (Fed by a redirection, not
# a pipe, so that COMPREPLY is set in this shell.)
_widgethost_matching() {
    local cur=$1 typed line
    # The word as the shell reads it: without an opening quote or backslash escapes.
    case $cur in
    \'* | \"*) typed=${cur:1} ;;
    *) typed=${cur//\\/} ;;
    esac
    COMPREPLY=()
    while IFS= read -r line; do
        [[ -n $line && $line == "$typed"* ]] && COMPREPLY+=("$line")
    done
    # Let readline quote what it inserts (identifiers may hold spaces).
    compopt -o filenames 2>/dev/null
    return 0
}

_widgethost_ask() {
    command -v jq >/dev/null 2>&1 || return 0
    local filter=$1
    shift
    "${_widgethost_program[@]}" "$@" 2>/dev/null | jq -r "$filter" 2>/dev/null
}

_widgethost_sources() {
    _widgethost_matching "$1" < <(_widgethost_ask '.entities[]?.id | strings' entities --json)
}

_widgethost_widgets() {
    _widgethost_matching "$1" < <(_widgethost_ask \
        '(if type == "array" then . else .widgets? // [] end)[] | (.number // .id)? | numbers | tostring' list --json)
}

_widgethost() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=
    ((COMP_CWORD > 1)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local program=${COMP_WORDS[0]}
    [[ $program == "~/"* ]] && program=$HOME/${program#"~/"}
    # Seen by the functions that ask the program (bash scopes locals dynamically).
    local -a _widgethost_program=("$program")

    # The command, the words after it, and the extension named so far.
    local command= positionals=0 i word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --extension)
            if ((i + 1 < COMP_CWORD)); then
                word=${COMP_WORDS[i + 1]}
                [[ $word == "~/"* ]] && word=$HOME/${word#"~/"}
                _widgethost_program+=(--extension "$word")
            fi
            ((i++))
            ;;
        --family | --source | --widget | --request | --now | --at | --appearance | --contrast | --scale | --size | --output)
            ((i++))
            ;;
        -*) ;;
        *)
            if [[ -z $command ]]; then command=$word; else ((positionals++)); fi
            ;;
        esac
    done

    case $prev in
    --extension)
        COMPREPLY=($(compgen -d -- "$cur"))
        compopt -o filenames 2>/dev/null
        return
        ;;
    --family) COMPREPLY=($(compgen -W "small medium large" -- "$cur")) && return ;;
    --request) COMPREPLY=($(compgen -W "placeholder snapshot timeline" -- "$cur")) && return ;;
    --appearance) COMPREPLY=($(compgen -W "light dark" -- "$cur")) && return ;;
    --contrast) COMPREPLY=($(compgen -W "standard increased" -- "$cur")) && return ;;
    --scale) COMPREPLY=($(compgen -W "1 2 3" -- "$cur")) && return ;;
    --size) COMPREPLY=() && return ;;
    --now | --at) COMPREPLY=($(compgen -W "$(date -u +%Y-%m-%dT%H:%M:%SZ)" -- "$cur")) && return ;;
    --source) _widgethost_sources "$cur" && return ;;
    --widget) _widgethost_widgets "$cur" && return ;;
    --output)
        COMPREPLY=($(compgen -f -- "$cur"))
        compopt -o filenames 2>/dev/null
        return
        ;;
    esac

    local selection="--family --source --widget --request --now --at" options= values=
    case $command in
    "")
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--extension --help --version" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "describe entities timeline render accessibility layout add list edit remove show autostart check names" -- "$cur"))
        fi
        return
        ;;
    describe | list | names) options="--json" ;;
    entities)
        options="--json"
        [[ $cur != -* ]] && _widgethost_sources "$cur" && return
        ;;
    timeline | accessibility) options="$selection --json" ;;
    layout) options="$selection" ;;
    render) options="$selection --appearance --contrast --scale --size --output" ;;
    add) options="--family --source" ;;
    edit)
        options="--source --clear"
        ((positionals == 0)) && [[ $cur != -* ]] && _widgethost_widgets "$cur" && return
        ;;
    remove)
        ((positionals == 0)) && _widgethost_widgets "$cur"
        return
        ;;
    check)
        options="--now --json"
        if [[ $cur != -* ]]; then
            ((positionals == 0)) && COMPREPLY=($(compgen -f -- "$cur"))
            return
        fi
        ;;
    autostart)
        ((positionals == 0)) && values="on off status"
        COMPREPLY=($(compgen -W "$values" -- "$cur"))
        return
        ;;
    esac
    COMPREPLY=($(compgen -W "$options --extension" -- "$cur"))
}
complete -F _widgethost widgethost
