# fish completion for tallyfox. The tool takes exactly one of: (nothing), --help, help, --version,
# status, status --json.

# Whether the words typed after the program are exactly the arguments.
function __tallyfox_words_are
    set -l words (commandline -opc)
    set -e words[1]
    test "$words" = "$argv"
end

complete -c tallyfox -f
complete -c tallyfox -n __tallyfox_words_are -a status -d 'Print the latest snapshot'
complete -c tallyfox -n __tallyfox_words_are -a help -d 'Print the usage text'
complete -c tallyfox -n __tallyfox_words_are -l help -d 'Print the usage text'
complete -c tallyfox -n __tallyfox_words_are -l version -d 'Print the version'
# An argument, not an option: it is the one word that can follow, offered before "-" is typed.
complete -c tallyfox -n '__tallyfox_words_are status' -a --json -d 'Print the snapshot as JSON'
