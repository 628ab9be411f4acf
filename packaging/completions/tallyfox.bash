# bash completion for tallyfox                                                 -*- shell-script -*-
# The tool takes exactly one of: (nothing), --help, help, --version, status, status --json.

_tallyfox() {
    local cur=${COMP_WORDS[COMP_CWORD]} candidates=
    case $COMP_CWORD in
    1) candidates="status --version --help help" ;;
    2) [[ ${COMP_WORDS[1]} == status ]] && candidates=--json ;;
    esac
    COMPREPLY=($(compgen -W "$candidates" -- "$cur"))
}
complete -F _tallyfox tallyfox
