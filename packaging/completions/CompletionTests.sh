#!/usr/bin/env bash
# What bash, zsh and fish offer for partial command lines of both programs. The widget host's
# dynamic values (sources, placed widgets) come from a stand-in that answers `entities --json` and
# `list --json`, and from the real host too when it is built.
# Usage: CompletionTests.sh COMPLETIONS-DIR SOURCE-DIR [WIDGETHOST]
set -u
completions=$(realpath "$1")
source=$(realpath "$2")
real_host=${3:-}
. "$(dirname "$0")/../../scripts/shell-tests.sh"

# The stand-in host records how it was asked. One source identifier holds spaces and a middle dot,
# as the identifiers of accounts do.
mkdir -p "$work/bin"
cat >"$work/bin/widgethost" <<'STUB'
#!/usr/bin/env bash
printf '%s\n' "$*" >>"$HOST_LOG"
[[ ${1:-} == --extension ]] && shift 2
case "$*" in
"entities --json")
    echo '{"typeDisplayName":"Source","entities":[{"id":"claudeCode-personal","title":"Claude Code · Personal"},
           {"id":"codex · Work","title":"Codex · Work"},{"id":"codex","title":"Codex"}]}' ;;
"list --json")
    echo '[{"number":1,"family":"small","sources":[]},{"number":12,"family":"large","sources":["codex"]}]' ;;
*) exit 2 ;;
esac
STUB
chmod +x "$work/bin/widgethost"
export PATH="$work/bin:$PATH" HOST_LOG="$work/host.log" HOME="$work/home"
mkdir -p "$HOME"

# --- bash: the completion function on a split command line, as readline calls it (found by the
# program's name when the line names it by a path) ---
bash_complete() { # words of the line; the last one is being completed
    bash -c 'source "$1/tallyfox.bash"; source "$1/widgethost.bash"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        "$(complete -p "${1##*/}" | sed "s/.*-F \([^ ]*\) .*/\1/")"
        printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd "|"' bash "$completions" "$@"
}
expect "bash: tallyfox's first word" "--help|--version|help|status" "$(bash_complete tallyfox "")"
expect "bash: tallyfox st" "status" "$(bash_complete tallyfox st)"
expect "bash: tallyfox --" "--help|--version" "$(bash_complete tallyfox --)"
expect "bash: tallyfox status" "--json" "$(bash_complete tallyfox status "")"
expect "bash: nothing after a whole form" "" "$(bash_complete tallyfox status --json "")"
expect "bash: nothing after --version" "" "$(bash_complete tallyfox --version "")"
expect "bash: widgethost's commands" "accessibility|add|autostart|check|describe|edit|entities|layout|list|names|remove|render|show|timeline" \
    "$(bash_complete widgethost "")"
expect "bash: widgethost re" "remove|render" "$(bash_complete widgethost re)"
expect "bash: names" "--extension|--json" "$(bash_complete widgethost names "")"
expect "bash: widgethost's own options" "--extension|--help|--version" "$(bash_complete widgethost -)"
expect "bash: render's options" "--appearance|--at|--contrast|--extension|--family|--now|--output|--request|--scale|--size|--source|--widget" \
    "$(bash_complete widgethost render --)"
expect "bash: families" "large|medium|small" "$(bash_complete widgethost timeline --family "")"
expect "bash: appearances after other options" "dark|light" "$(bash_complete widgethost render --family small --appearance "")"
expect "bash: requests" "placeholder|snapshot|timeline" "$(bash_complete widgethost layout --request "")"
expect "bash: autostart" "off|on|status" "$(bash_complete widgethost autostart "")"
expect "bash: nothing after autostart's word" "" "$(bash_complete widgethost autostart on "")"
: >"$HOST_LOG"
expect "bash: sources of the snapshot" "claudeCode-personal|codex|codex · Work" "$(bash_complete widgethost render --source "")"
expect "bash: a source with a space, typed escaped" "codex · Work" "$(bash_complete widgethost add --source 'codex\ ')"
expect "bash: a source with a space, typed in quotes" "codex · Work" "$(bash_complete widgethost add --source "'codex ·")"
expect "bash: the sources are asked of the extension on the line" "entities --json
entities --json
entities --json
--extension /opt/x.appex entities --json" \
    "$(bash_complete widgethost --extension /opt/x.appex add --source c >/dev/null; cat "$HOST_LOG")"
expect "bash: entities takes sources" "codex|codex · Work" "$(bash_complete widgethost entities co)"
expect "bash: placed widgets to edit" "1|12" "$(bash_complete widgethost edit "")"
expect "bash: placed widgets to remove" "12" "$(bash_complete widgethost remove 12)"
expect "bash: placed widgets to show" "1|12" "$(bash_complete widgethost accessibility --widget "")"
expect "bash: edit's options after the number" "--clear|--extension|--source" "$(bash_complete widgethost edit 1 --)"
expect "bash: nothing after remove's number" "" "$(bash_complete widgethost remove 1 "")"
expect "bash: the current time for --now" "$(date -u +%Y-%m-%dT%H)" "$(bash_complete widgethost timeline --now "" | cut -c1-13)"
expect "bash: nothing from a host that fails" "" "$(PATH="/usr/bin:/bin" bash_complete /nonexistent/widgethost edit "")"

# --- fish: what `complete --do-complete` offers ---
if command -v fish >/dev/null; then
    fish_complete() { # line
        fish --no-config -c "source $completions/tallyfox.fish; source $completions/widgethost.fish
            complete --do-complete '$1'" | cut -f1 | sort | paste -sd "|"
    }
    expect "fish: tallyfox's first word" "help|status" "$(fish_complete 'tallyfox ')"
    expect "fish: tallyfox --" "--help|--version" "$(fish_complete 'tallyfox --')"
    expect "fish: tallyfox status --" "--json" "$(fish_complete 'tallyfox status --')"
    expect "fish: tallyfox status, before - is typed" "--json" "$(fish_complete 'tallyfox status ')"
    expect "fish: nothing after a whole form" "" "$(fish_complete 'tallyfox status --json --')"
    expect "fish: widgethost re" "remove|render" "$(fish_complete 'widgethost re')"
    expect "fish: names" "--extension|--help|--json" "$(fish_complete 'widgethost names --')"
    expect "fish: widgethost's own options" "--extension|--help|--version" "$(fish_complete 'widgethost --')"
    expect "fish: families" "large|medium|small" "$(fish_complete 'widgethost render --family ')"
    expect "fish: sources" "claudeCode-personal|codex|codex · Work" "$(fish_complete 'widgethost render --source ')"
    expect "fish: placed widgets" "1|12" "$(fish_complete 'widgethost remove ')"
    expect "fish: autostart" "off|on|status" "$(fish_complete 'widgethost autostart ')"
    expect "fish: edit's options" "--clear|--extension|--help|--source" "$(fish_complete 'widgethost edit 1 --')"
    expect "fish: source descriptions are the titles" "codex · Work	Codex · Work" \
        "$(fish --no-config -c "source $completions/widgethost.fish; complete --do-complete 'widgethost add --source codex\ '")"
else
    echo "(fish is missing: its completions are not checked)"
    skipped=$((skipped + 1))
fi

# --- zsh: what the completion system adds, read from a zsh on a pseudo-terminal ---
if command -v zsh >/dev/null; then
    cat >"$work/complete.zsh" <<'ZSH'
# complete.zsh FOLDER LINE: the matches zsh's completion adds at the end of LINE, one per line.
zmodload zsh/zpty || exit 2
local folder=$1 line=$2 output
zpty completer zsh -f -i
zpty -w completer "PS1='' PS2='' RPS1=''; fpath=(${(q)folder} \$fpath); autoload -Uz compinit; compinit -u -D"
zpty -w completer "zstyle ':completion:*' list-grouped false; zstyle ':completion:*' insert-tab false"
# Every match a completion function adds is printed on a line of its own; calls with -O, -A or -D
# only collect matches and add none.
zpty -w completer 'compadd() {
  if [[ ${${@[1,(i)(-|--)]}} == *-(O|A|D)* ]]; then builtin compadd "$@"; return; fi
  local -a found; builtin compadd -O found "$@"; print -r -l -- "" "<match>"${^found}; builtin compadd "$@" }'
zpty -w completer 'finish() { print -r -- "<end>"; exit }; comppostfuncs=(finish); bindkey "^I" complete-word'
zpty -w completer "print -r -- '<ready>'"
zpty -r completer output '*<ready>*<ready>*' || exit 2
zpty -w -n completer "$line"$'\t'
zpty -r completer output '*<end>*' || exit 2
print -r -- ${(F)${(M)${(f)output//$'\r'/}:#<match>*}#<match>} | sort -u
zpty -d completer
ZSH
    zsh_complete() { # line
        timeout 20 zsh -f "$work/complete.zsh" "$completions" "$1" | paste -sd "|"
    }
    expect "zsh: tallyfox's first word" "--help|--version|help|status" "$(zsh_complete 'tallyfox ')"
    expect "zsh: tallyfox st" "status" "$(zsh_complete 'tallyfox st')"
    expect "zsh: tallyfox status -" "--json" "$(zsh_complete 'tallyfox status -')"
    expect "zsh: tallyfox status, before - is typed" "--json" "$(zsh_complete 'tallyfox status ')"
    expect "zsh: nothing after a whole form" "" "$(zsh_complete 'tallyfox status --json ')"
    expect "zsh: widgethost re" "remove|render" "$(zsh_complete 'widgethost re')"
    expect "zsh: widgethost n" "names" "$(zsh_complete 'widgethost n')"
    expect "zsh: widgethost's own options" "--extension|--help|--version" "$(zsh_complete 'widgethost --')"
    expect "zsh: families" "large|medium|small" "$(zsh_complete 'widgethost render --family ')"
    expect "zsh: sources" "claudeCode-personal|codex|codex · Work" "$(zsh_complete 'widgethost --extension /x render --source ')"
    expect "zsh: placed widgets" "1|12" "$(zsh_complete 'widgethost edit ')"
    expect "zsh: edit's options are exclusive" "--source" "$(zsh_complete 'widgethost edit 1 --source a -')"
    expect "zsh: autostart" "off|on|status" "$(zsh_complete 'widgethost autostart ')"
else
    echo "(zsh is missing: its completions are not checked)"
    skipped=$((skipped + 1))
fi

# --- the real host's sources, from a sample snapshot ---
if [[ -n $real_host && -x $real_host ]]; then
    container="$HOME/Library/Group Containers/group.com.tallyfox.Tallyfox"
    mkdir -p "$container"
    "$source/bench/make-snapshot" --entries 3 >"$container/widget-snapshot.json"
    expected=$("$real_host" entities --json | jq -r '.entities[].id' | sort | paste -sd "|")
    expect "the real host's sources are offered" "$expected" "$(bash_complete "$real_host" render --source "")"
    expect "there are some" "yes" "$([[ -n $expected ]] && echo yes)"
else
    echo "(widgethost is not built: the real host's sources are not checked)"
fi

finish
