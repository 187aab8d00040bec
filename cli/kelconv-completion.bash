# bash completion for kelconv: its options, taken from its --help, and after
# -f or -t the names of the character sets that its -l lists with a converter.

_kelconv_options() {
    "$1" --help 2>/dev/null | awk '/^ +-/ {
        sub(/^ +/, ""); sub(/  .*/, ""); n = split($0, forms, ", ")
        for (i = 1; i <= n; i++) { form = forms[i]; sub(/=.*/, "=", form); print form }
    }'
}

# Identifier names and the common names on their "also:" lines; a set
# marked "(no converter)" cannot be used, so neither can its names.
_kelconv_charsets() {
    "$1" -l 2>/dev/null | awk '
        /^ *-?[0-9]+  / { usable = $0 !~ /\(no converter\)$/; if (usable) print $2; next }
        usable && $1 == "also:" {
            sub(/^ *also: /, ""); n = split($0, names, ", ")
            for (i = 1; i <= n; i++) print names[i]
        }'
}

# kelconv matches set names without regard to case, and so does this: "shift"
# offers SHIFT_JIS.
_kelconv_complete_charset() {
    local program=$1 cur=${2,,} name
    for name in $(_kelconv_charsets "$program"); do
        [[ ${name,,} == "$cur"* ]] && COMPREPLY+=("$name")
    done
}

_kelconv() {
    local program=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    # "--from-code=Sh" reaches here as three words: --from-code, = and Sh.
    if [[ $cur == = ]]; then
        cur=""
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    local IFS=$'\n'
    case $prev in
    -f | --from-code | -t | --to-code)
        COMPREPLY=()
        _kelconv_complete_charset "$program" "$cur"
        return
        ;;
    --on-error)
        COMPREPLY=($(compgen -W $'replace\nescape\nstop' -- "$cur"))
        return
        ;;
    -o | --output)
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_kelconv_options "$program")" -- "$cur"))
        [[ ${COMPREPLY[*]} == *= ]] && compopt -o nospace 2>/dev/null
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}

complete -o filenames -F _kelconv kelconv
