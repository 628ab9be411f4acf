# fish completion for widgethost: commands, their options and values; the identifiers of the
# snapshot's sources (`entities --json`) and the numbers of placed widgets (`list --json`) are asked of
# the program being completed, with the --extension already on the line. Those two need jq.

# The command word: the first word after the program that is neither an option nor an option's value.
function __widgethost_command
    set -l words (commandline -opc)
    set -e words[1]
    set -l skip 0
    for word in $words
        if test $skip -eq 1
            set skip 0
        else if contains -- $word --family --source --widget --request --now --at --appearance --contrast --scale --size --output --extension
            set skip 1
        else if not string match -q -- '-*' $word
            echo $word
            return 0
        end
    end
    return 1
end

function __widgethost_needs_command
    not __widgethost_command >/dev/null
end

function __widgethost_using
    contains -- (__widgethost_command) $argv
end

# How many words follow the command, options and their values left out.
function __widgethost_positionals
    set -l words (commandline -opc)
    set -e words[1]
    set -l skip 0
    set -l seen_command 0
    set -l count 0
    for word in $words
        if test $skip -eq 1
            set skip 0
        else if contains -- $word --family --source --widget --request --now --at --appearance --contrast --scale --size --output --extension
            set skip 1
        else if not string match -q -- '-*' $word
            if test $seen_command -eq 1
                set count (math $count + 1)
            end
            set seen_command 1
        end
    end
    echo $count
end

function __widgethost_first_positional
    __widgethost_using $argv; and test (__widgethost_positionals) -eq 0
end

function __widgethost_ask
    command -q jq; or return 0
    set -l words (commandline -opc)
    set -l program $words[1]
    set -l extension
    set -l index (contains -i -- --extension $words)
    and set -q words[(math $index + 1)]
    and set extension --extension $words[(math $index + 1)]
    $program $extension $argv[2..-1] 2>/dev/null | jq -r $argv[1] 2>/dev/null
end

function __widgethost_sources
    __widgethost_ask '.entities[]? | select(.id | type == "string") | "\(.id)\t\(.title // "")"' entities --json
end

function __widgethost_widgets
    __widgethost_ask '(if type == "array" then . else .widgets? // [] end)[] | select((.number // .id)? | type == "number")
        | "\(.number // .id)\t\([.family // empty] + (.sources // []) | join(" "))"' list --json
end

complete -c widgethost -f
complete -c widgethost -l help -d 'Print the usage'
complete -c widgethost -n __widgethost_needs_command -l version -d 'Print the version'
complete -c widgethost -l extension -x -a '(__fish_complete_directories)' -d 'Widget extension to load'

complete -c widgethost -n __widgethost_needs_command -a describe -d 'Kind, name, description and families'
complete -c widgethost -n __widgethost_needs_command -a entities -d 'Sources the widget can show'
complete -c widgethost -n __widgethost_needs_command -a timeline -d 'Entries and reload policy'
complete -c widgethost -n __widgethost_needs_command -a render -d 'Draw the widget to PNG, SVG or PDF'
complete -c widgethost -n __widgethost_needs_command -a accessibility -d 'What a screen reader announces'
complete -c widgethost -n __widgethost_needs_command -a layout -d 'The laid-out view tree'
complete -c widgethost -n __widgethost_needs_command -a add -d 'Place a widget'
complete -c widgethost -n __widgethost_needs_command -a list -d 'Placed widgets'
complete -c widgethost -n __widgethost_needs_command -a edit -d 'Change a placed widget'
complete -c widgethost -n __widgethost_needs_command -a remove -d 'Remove a placed widget'
complete -c widgethost -n __widgethost_needs_command -a show -d 'Show the placed widgets on the desktop'
complete -c widgethost -n __widgethost_needs_command -a autostart -d 'Start the widgets with the session'
complete -c widgethost -n __widgethost_needs_command -a check -d 'Read a snapshot as the widget and the tool do'
complete -c widgethost -n '__widgethost_using check' -l now -x -a '(date -u +%Y-%m-%dT%H:%M:%SZ)' -d 'The moment shown'
complete -c widgethost -n '__widgethost_using check' -l json -d 'Print JSON'
complete -c widgethost -n '__widgethost_using check' -F -d 'Snapshot file'
complete -c widgethost -n __widgethost_needs_command -a names -d 'Window kinds and reasons as the widget names them'
complete -c widgethost -n '__widgethost_using names' -l json -d 'Print JSON'

set -l selecting timeline render accessibility layout
complete -c widgethost -n "__widgethost_using $selecting add" -l family -x -a 'small medium large' -d 'Widget family'
complete -c widgethost -n "__widgethost_using $selecting add edit" -l source -x -a '(__widgethost_sources)' -d 'Source, in order'
complete -c widgethost -n "__widgethost_using $selecting" -l widget -x -a '(__widgethost_widgets)' -d 'A placed widget'
complete -c widgethost -n "__widgethost_using $selecting" -l request -x -a 'placeholder snapshot timeline' -d 'What to ask for'
complete -c widgethost -n "__widgethost_using $selecting" -l now -x -a '(date -u +%Y-%m-%dT%H:%M:%SZ)' -d 'The clock when the host asks'
complete -c widgethost -n "__widgethost_using $selecting" -l at -x -a '(date -u +%Y-%m-%dT%H:%M:%SZ)' -d 'The moment shown'
complete -c widgethost -n '__widgethost_using render' -l appearance -x -a 'light dark' -d 'Appearance'
complete -c widgethost -n '__widgethost_using render' -l contrast -x -a 'standard increased' -d 'Contrast'
complete -c widgethost -n '__widgethost_using render' -l scale -x -a '1 2 3' -d 'Pixels per point'
complete -c widgethost -n '__widgethost_using render' -l size -x -d 'Size in points, WxH'
complete -c widgethost -n '__widgethost_using render' -l output -r -F -d 'PNG, SVG or PDF file'
complete -c widgethost -n '__widgethost_using describe entities timeline accessibility list' -l json -d 'Print JSON'
complete -c widgethost -n '__widgethost_using edit' -l clear -d 'Show the default sources again'

complete -c widgethost -n '__widgethost_using entities' -a '(__widgethost_sources)'
complete -c widgethost -n '__widgethost_first_positional edit remove' -a '(__widgethost_widgets)'
complete -c widgethost -n '__widgethost_first_positional autostart' -a on -d 'Start the widgets with the session'
complete -c widgethost -n '__widgethost_first_positional autostart' -a off -d 'Stop starting them'
complete -c widgethost -n '__widgethost_first_positional autostart' -a status -d 'Whether the session starts them'
