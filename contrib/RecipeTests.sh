#!/usr/bin/env bash
# The status-bar and notification recipes against the real tool and host, on a fresh, a stale, an
# empty, a missing snapshot and one without providers, without the host and without the tool; then in
# the clients Debian has that need no desktop (tmux, i3status, i3blocks), each skipped when absent.
# Usage: RecipeTests.sh TALLYFOX-EXECUTABLE WIDGETHOST-EXECUTABLE
set -u
tool=$(realpath "$1")
host=$(realpath "$2")
contrib=$(cd "$(dirname "$0")" && pwd)
. "$(dirname "$0")/../scripts/shell-tests.sh"

# A PATH of the test's own: the system's commands that the recipes and this test use, the tool and
# the host as `tallyfox` and `widgethost`, and a notify-send that records what it is asked to show;
# so whether this machine has Tallyfox installed changes nothing.
mkdir -p "$work/bin" "$work/system" "$work/home"
for command in bash env jq cat date paste head tail cut sed sort grep seq mkdir mktemp mv rm ln chmod sleep timeout; do
    ln -s "$(command -v "$command")" "$work/system/$command"
done
clients_path=$PATH
ln -s "$tool" "$work/bin/tallyfox"
ln -s "$host" "$work/bin/widgethost"
cat >"$work/bin/notify-send" <<'STUB'
#!/usr/bin/env bash
[[ -n ${NOTIFY_FAILS:-} ]] && { echo "Cannot reach the notification service" >&2; exit 1; }
printf '%s\n' "$*" >>"$NOTIFICATIONS"
STUB
chmod +x "$work/bin/notify-send"
export PATH="$work/bin:$work/system" HOME="$work/home" TZ=UTC NOTIFICATIONS="$work/notifications" XDG_STATE_HOME="$work/state"
unset TALLYFOX WIDGETHOST
container="$HOME/Library/Group Containers/group.com.tallyfox.Tallyfox"
mkdir -p "$container"
snapshot="$container/widget-snapshot.json"

at() { date -u -d "$1" +%Y-%m-%dT%H:%M:%SZ; }
reset=$(at '+3 hours')
# Usages at either side of the thresholds: used shares are rounded half away from zero, and 85 or
# more is a warning, 95 or more critical.
write_snapshot() { # generated-at, providers JSON
    printf '{"schemaVersion":1,"generatedAt":"%s","state":{"providers":{"_0":%s}}}' "$1" "$2" >"$snapshot"
}
window() { printf '{"kind":300,"usage":%s,"resetsAt":"%s"}' "$1" "${2:-$reset}"; }
providers="[
  {\"provider\":\"codex\",\"windows\":[$(window 84.4),{\"kind\":10080,\"usage\":10},{\"kind\":43200,\"scope\":\"Opus\",\"usage\":5}]},
  {\"provider\":\"claudeCode\",\"accountName\":\"Work\",\"selectionID\":\"claude-work\",\"windows\":[$(window 84.5)]},
  {\"provider\":\"gemini\",\"windows\":[$(window 94.4)]},
  {\"provider\":\"kiro\",\"windows\":[$(window 94.5)]},
  {\"provider\":\"warp\",\"windows\":[$(window 100),{\"kind\":\"monthly\"}]},
  {\"provider\":\"cursor\",\"windows\":[],\"quotaUnavailableReason\":\"signInExpired\"}
]"
write_snapshot "$(at now)" "$providers"
hour=$(date -u -d "$reset" +'%a %H:%M')
notify() { "$contrib/tallyfox-notify" "$@" 2>&1; echo "exit $?"; }
notifications() { cat "$NOTIFICATIONS" 2>/dev/null; : >"$NOTIFICATIONS"; }

# --- waybar: valid JSON, the class at each threshold ---
out=$("$contrib/tallyfox-waybar" 2>"$work/err")
expect "waybar writes one JSON object" "object" "$(jq -r type <<<"$out" 2>&1)"
expect "waybar text" "Codex 16%  Claude Code · Work 15%  Gemini CLI 6%  Kiro 5%  Warp 0%" "$(jq -r .text <<<"$out")"
expect "waybar class is the worst level" '["critical"]' "$(jq -c .class <<<"$out")"
expect "waybar percentage is the least left" "0" "$(jq -r .percentage <<<"$out")"
expect "waybar tooltip, windows and reasons in the widget's words" "Codex
  5-hour: 16% left · resets $hour
  Weekly: 90% left
  30-day · Opus: 95% left
Claude Code · Work
  5-hour: 15% left · resets $hour
Gemini CLI
  5-hour: 6% left · resets $hour
Kiro
  5-hour: 5% left · resets $hour
Warp
  5-hour: 0% left · resets $hour
  Monthly: unknown
Cursor
  Limits unavailable.
  Sign-in expired" "$(jq -r .tooltip <<<"$out")"
expect "waybar writes nothing to standard error" "" "$(cat "$work/err")"
for case in "codex normal 16" "claude-work warning 15" "claudeCode warning 15" "gemini warning 6" "kiro critical 5" "warp critical 0"; do
    read -r id class left <<<"$case"
    out=$("$contrib/tallyfox-waybar" "$id")
    expect "waybar class of $id" "[\"$class\"] $left" "$(jq -c .class <<<"$out") $(jq -r .percentage <<<"$out")"
done
out=$("$contrib/tallyfox-waybar" cursor)
expect "waybar for a provider without limits" '"Tallyfox: no limits" ["normal"] null' \
    "$(jq -c '.text, .class, .percentage' <<<"$out" | paste -sd ' ')"

# --- the other bars: text and colour at the thresholds ---
expect "i3blocks" "Codex 16%  Claude Code · Work 15%  Gemini CLI 6%  Kiro 5%  Warp 0%
Warp 0%
#FF453A" "$("$contrib/tallyfox-i3blocks")"
expect "i3blocks warning" "Claude Code · Work 15%
Claude Code · Work 15%
#FF9F0A" "$("$contrib/tallyfox-i3blocks" claude-work)"
expect "i3blocks normal has no colour" "Codex 16%|Codex 16%|" "$("$contrib/tallyfox-i3blocks" codex | paste -sd '|')"
expect "polybar critical" "%{F#FF453A}Gemini CLI 6%  Kiro 5%%{F-}" "$("$contrib/tallyfox-polybar" gemini kiro)"
expect "polybar warning" "%{F#FF9F0A}Gemini CLI 6%%{F-}" "$("$contrib/tallyfox-polybar" gemini)"
expect "polybar normal" "Codex 16%" "$("$contrib/tallyfox-polybar" codex)"
expect "tmux critical" "#[fg=##FF453A]Warp 0%#[default]" "$("$contrib/tallyfox-tmux" warp)"
expect "tmux warning" "#[fg=##FF9F0A]Claude Code · Work 15%#[default]" "$("$contrib/tallyfox-tmux" claude-work)"
expect "tmux normal" "Codex 16%" "$("$contrib/tallyfox-tmux" codex)"
stream=$(printf '{"version":1}\n[\n[{"name":"time","full_text":"10:00"}]\n,[{"name":"time","full_text":"10:05"}]\n' |
    "$contrib/tallyfox-i3status" claude-work codex)
expect "i3status passes the header through" '{"version":1}
[' "$(head -2 <<<"$stream")"
expect "i3status puts its block first on every line" \
    '[{"name":"tallyfox","full_text":"Codex 16%  Claude Code · Work 15%","short_text":"Claude Code · Work 15%","color":"#FF9F0A"},{"name":"time","full_text":"10:00"}]
,[{"name":"tallyfox","full_text":"Codex 16%  Claude Code · Work 15%","short_text":"Claude Code · Work 15%","color":"#FF9F0A"},{"name":"time","full_text":"10:05"}]' \
    "$(tail -n +3 <<<"$stream")"
expect "i3status lines are valid JSON" "2" "$(tail -n +3 <<<"$stream" | sed 's/^,//' | jq -s length)"
stream=$(printf '10:00\n10:05\n' | "$contrib/tallyfox-i3status" 2>"$work/err")
expect "i3status in plain mode says what to change, on the bar and on standard error" \
    'Tallyfox: i3status needs output_format = "i3bar" | 10:00
Tallyfox: i3status needs output_format = "i3bar" | 10:05
tallyfox-i3status: i3status writes plain text; set output_format = "i3bar" in the general section of its configuration.' \
    "$stream
$(cat "$work/err")"

# Account names cannot smuggle markup into a bar.
write_snapshot "$(at now)" '[{"provider":"codex","accountName":"a%{A:x:}b#[fg=red]","windows":[{"kind":300,"usage":1}]}]'
expect "polybar breaks up a tag in a name" "Codex · a% {A:x:}b#[fg=red] 99%" "$("$contrib/tallyfox-polybar")"
expect "tmux escapes a style in a name" "Codex · a%{A:x:}b##[fg=red] 99%" "$("$contrib/tallyfox-tmux")"
write_snapshot "$(at now)" '[{"provider":"codex","accountName":"R&D <b>team</b>","windows":[{"kind":300,"usage":1}]}]'
expect "waybar escapes markup in text and tooltip" 'Codex · R&amp;D &lt;b&gt;team&lt;/b&gt; 99%
Codex · R&amp;D &lt;b&gt;team&lt;/b&gt;' "$("$contrib/tallyfox-waybar" | jq -r '.text, (.tooltip | split("\n")[0])')"

# Without the host, the tool's identifiers name what is shown.
write_snapshot "$(at now)" "$providers"
rm "$work/bin/widgethost"
expect "without widgethost, the tool's names" "%{F#FF9F0A}codex 16%  claudeCode · Work 15%%{F-}" "$("$contrib/tallyfox-polybar" codex claude-work)"
expect "without widgethost, the tool's names in the tooltip" "codex
  fiveHour: 16% left · resets $hour
  weekly: 90% left
  custom · Opus: 95% left
claudeCode · Work
  fiveHour: 15% left · resets $hour
cursor
  Limits unavailable.
  signInExpired" "$("$contrib/tallyfox-waybar" claude-work codex cursor | jq -r .tooltip)"
write_snapshot "$(at now)" "[{\"provider\":\"codex\",\"windows\":[$(window 85)]}]"
notify >/dev/null
expect "without widgethost, a notification in the tool's words" "codex: 15% left fiveHour · resets $hour" \
    "$(notifications | cut -d' ' -f4-)"
rm -r "$XDG_STATE_HOME"
write_snapshot "$(at now)" "$providers"
ln -s "$host" "$work/bin/widgethost"

# --- stale, no providers, empty, missing, no tool ---
write_snapshot "$(at '-20 minutes')" "[{\"provider\":\"codex\",\"windows\":[$(window 90)]}]"
out=$("$contrib/tallyfox-waybar")
expect "waybar stale" '"Codex 10% (stale)" ["warning","stale"]' "$(jq -c '.text, .class' <<<"$out" | paste -sd ' ')"
expect "waybar stale tooltip says so" "Snapshot from $(date -u -d "$(at '-20 minutes')" +'%a %H:%M'), stale: open Tallyfox to update." \
    "$(jq -r .tooltip <<<"$out" | head -1)"
expect "i3blocks stale" "Codex 10% (stale)" "$("$contrib/tallyfox-i3blocks" | head -1)"
expect "polybar stale" "%{F#FF9F0A}Codex 10% (stale)%{F-}" "$("$contrib/tallyfox-polybar")"
expect "tmux stale" "#[fg=##FF9F0A]Codex 10% (stale)#[default]" "$("$contrib/tallyfox-tmux")"

bars() { # the first line of each bar's output, and the waybar class
    local waybar
    waybar=$("$contrib/tallyfox-waybar" 2>&1)
    printf '%s\n' "$(jq -r .text <<<"$waybar") $(jq -c .class <<<"$waybar")" \
        "$("$contrib/tallyfox-i3blocks" 2>&1 | head -1)" \
        "$("$contrib/tallyfox-polybar" 2>&1)" \
        "$("$contrib/tallyfox-tmux" 2>&1)" \
        "$(printf '{"version":1}\n[\n[]\n' | "$contrib/tallyfox-i3status" 2>&1 | tail -1 | jq -r '.[0].full_text')"
}
failure() { # short text
    printf '%s\n' "Tallyfox: $1 [\"error\"]" "Tallyfox: $1" "%{F#8E8E93}Tallyfox: $1%{F-}" \
        "#[fg=colour245]Tallyfox: $1#[default]" "Tallyfox: $1"
}
printf '{"schemaVersion":1,"generatedAt":"%s","state":{"noProvidersEnabled":{}}}' "$(at now)" >"$snapshot"
expect "no providers" "$(failure "no providers")" "$(bars)"
: >"$snapshot"
expect "empty snapshot" "$(failure "unreadable snapshot")" "$(bars)"
echo '{"schemaVersion":1,' >"$snapshot"
expect "truncated snapshot" "$(failure "unreadable snapshot")" "$(bars)"
rm "$snapshot"
expect "missing snapshot" "$(failure "no snapshot")" "$(bars)"
rm "$work/bin/tallyfox"
expect "no tool" "$(failure "not installed")" "$(bars)"
ln -s "$tool" "$work/bin/tallyfox"

# --- notifications: once per threshold and period ---
write_snapshot "$(at now)" "[{\"provider\":\"codex\",\"windows\":[$(window 80)]},{\"provider\":\"kiro\",\"windows\":[$(window 10)]}]"
expect "nothing to announce" "exit 0" "$(notify)"
expect "no notification above the thresholds" "" "$(notifications)"
write_snapshot "$(at now)" "[{\"provider\":\"codex\",\"windows\":[$(window 85)]},{\"provider\":\"kiro\",\"windows\":[$(window 10)]}]"
notify >/dev/null
expect "a limit at the warning threshold is announced" \
    "--app-name=Tallyfox --icon=com.tallyfox.Tallyfox --urgency=normal Codex: 15% left 5-hour · resets $hour" "$(notifications)"
notify >/dev/null
expect "and not again" "" "$(notifications)"
write_snapshot "$(at now)" "[{\"provider\":\"codex\",\"windows\":[$(window 96)]}]"
notify >/dev/null
expect "the critical threshold is announced as critical" \
    "--app-name=Tallyfox --icon=com.tallyfox.Tallyfox --urgency=critical Codex: 4% left 5-hour · resets $hour" "$(notifications)"
write_snapshot "$(at now)" "[{\"provider\":\"codex\",\"windows\":[$(window 88)]}]"
notify >/dev/null
expect "rising to a higher threshold announces nothing" "" "$(notifications)"
write_snapshot "$(at now)" "[{\"provider\":\"codex\",\"windows\":[$(window 86 "$(at '+8 hours')")]}]"
notify >/dev/null
expect "a new period is announced again" "Codex: 14% left" "$(notifications | cut -d' ' -f4-6)"
write_snapshot "$(at now)" "[{\"provider\":\"codex\",\"windows\":[$(window 20 "$(at '+8 hours')")]}]"
notify >/dev/null
write_snapshot "$(at now)" "[{\"provider\":\"codex\",\"windows\":[$(window 90 "$(at '+8 hours')")]}]"
notify >/dev/null
expect "after rising above every threshold, a drop is announced again" "Codex: 10% left" "$(notifications | cut -d' ' -f4-6)"
write_snapshot "$(at '-20 minutes')" "[{\"provider\":\"gemini\",\"windows\":[$(window 99)]}]"
notify --below 50 >/dev/null
expect "a stale reading says so" "Gemini CLI: 1% left 5-hour · resets $hour · stale reading, open Tallyfox" \
    "$(notifications | cut -d' ' -f4-)"
rm "$snapshot"
expect "no snapshot: a short message and a failure" "tallyfox-notify: no snapshot. Open Tallyfox to create it.
exit 1" "$(notify)"
: >"$snapshot"
expect "empty snapshot: a short message and a failure" "tallyfox-notify: unreadable snapshot. Open Tallyfox to update it.
exit 1" "$(notify)"
write_snapshot "$(at now)" "[{\"provider\":\"kiro\",\"windows\":[$(window 97)]}]"
expect "a notification that cannot be shown fails the run" \
    "tallyfox-notify: notify-send could not show 1 notification: Cannot reach the notification service. It needs the desktop session's bus (DBUS_SESSION_BUS_ADDRESS).
exit 1" "$(NOTIFY_FAILS=1 notify)"
notify >/dev/null
expect "and is shown at the next run" "Kiro: 3% left" "$(notifications | cut -d' ' -f4-6)"
expect "bad usage" "tallyfox-notify: --below takes a whole percentage from 0 to 100.
exit 2" "$(notify --below 101)"
expect "no notification on failures" "" "$(notifications)"

# --- the clients themselves: what a user's bar shows ---
skip() { # client, reason
    skipped=$((skipped + 1))
    echo "SKIP $1: $2"
}
client() { PATH=$clients_path command -v "$1"; }
clock() { sed -E 's/[0-9]{2}:[0-9]{2}$/HH:MM/'; } # the clients' clocks, whatever the minute
write_snapshot "$(at now)" "$providers"
sample="Codex 16%  Claude Code · Work 15%  Gemini CLI 6%  Kiro 5%  Warp 0%"

# tmux draws its status line only for an attached client: the client runs in a pane of a second
# server, whose pane, captured with its escape sequences, is what the terminal would show.
if ! tmux=$(client tmux); then
    skip tmux "not installed (Debian: tmux)"
else
    mkdir -m 700 "$work/tmux"
    # The README's lines, pointed at this checkout, redrawn every second.
    sed -n '/^set -g status-/p' "$contrib/README.md" | sed "s|/usr/share/tallyfox/contrib/|$contrib/|" >"$work/tmux.conf"
    printf 'set -g status-interval 1\nset -g status-left ""\n' >>"$work/tmux.conf"
    tmux() { TMUX_TMPDIR="$work/tmux" "$tmux" "$@"; }
    tmux -L outer -f /dev/null new-session -d -s outer -x 200 -y 4 "TERM=tmux-256color $tmux -L inner -f $work/tmux.conf new-session"
    status_line() { tmux -L outer capture-pane -e -p -t outer: 2>/dev/null | tail -1; }
    for _ in $(seq 50); do [[ $(status_line) == *"$sample"* ]] && break; sleep 0.2; done
    line=$(status_line)
    expect "tmux shows the sample whole, in red, before its clock" \
        "$(printf '\e[38;2;255;69;58m%s\e[30m HH:MM' "$sample")" "$(grep -o $'\e\\[38;2;255;69;58m.*' <<<"$line" | clock)"
    write_snapshot "$(at now)" '[{"provider":"codex","accountName":"a#[fg=red]b #{host} C#","windows":[{"kind":300,"usage":86}]}]'
    for _ in $(seq 50); do [[ $(status_line) == *"Codex · "* ]] && break; sleep 0.2; done
    expect "tmux shows a name as it is, in orange" \
        "$(printf '\e[38;2;255;159;10mCodex · a#[fg=red]b #{host} C# 14%%\e[30m')" "$(grep -o $'\e\\[38;2;255;159;10m[^ ]* [^ ]* [^ ]* [^ ]* C# 14%\e\\[30m' <<<"$(status_line)")"
    tmux -L inner kill-server 2>/dev/null
    tmux -L outer kill-server 2>/dev/null
    unset -f tmux
fi
write_snapshot "$(at now)" "$providers"

# i3status in i3bar's form, through the filter, then in plain text.
if ! i3status=$(client i3status); then
    skip i3status "not installed (Debian: i3status)"
else
    i3status_run() { # output format
        printf 'general {\n output_format = "%s"\n interval = 1\n colors = false\n}\norder += "tztime local"\ntztime local {\n format = "%%H:%%M"\n}\n' \
            "$1" >"$work/i3status.conf"
        timeout 10 "$i3status" -c "$work/i3status.conf" 2>/dev/null | "$contrib/tallyfox-i3status" codex kiro 2>/dev/null | head -n "$2"
    }
    stream=$(i3status_run i3bar 4)
    expect "i3status's own header passes through" "1" "$(head -1 <<<"$stream" | jq .version)"
    expect "i3status's lines gain the block first" \
        "Codex 16%  Kiro 5%|#FF453A|HH:MM
Codex 16%  Kiro 5%|#FF453A|HH:MM" \
        "$(tail -n +3 <<<"$stream" | sed 's/^,//' | jq -r '"\(.[0].full_text)|\(.[0].color)|\(.[1].full_text)"' | clock)"
    expect "i3status in plain text shows the hint" "Tallyfox: i3status needs output_format = \"i3bar\" | HH:MM" \
        "$(i3status_run none 1 | clock)"
fi

# i3blocks runs the block itself and writes i3bar's form.
if ! i3blocks=$(client i3blocks); then
    skip i3blocks "not installed (Debian: i3blocks)"
else
    printf '[tallyfox]\ncommand=%s claude-work\ninterval=once\n' "$contrib/tallyfox-i3blocks" >"$work/i3blocks.conf"
    # It runs until its bar goes; its output is read as soon as it has the block.
    "$i3blocks" -c "$work/i3blocks.conf" >"$work/i3blocks.out" 2>/dev/null &
    for _ in $(seq 50); do grep -q '"tallyfox"' "$work/i3blocks.out" && break; sleep 0.2; done
    kill $! 2>/dev/null
    stream=$(grep -m1 -o '{[^{}]*"tallyfox"[^{}]*}' "$work/i3blocks.out")
    expect "i3blocks shows the block with its colour" "Claude Code · Work 15%|Claude Code · Work 15%|#FF9F0A" \
        "$(jq -r '"\(.full_text)|\(.short_text)|\(.color)"' <<<"$stream")"
fi

finish
