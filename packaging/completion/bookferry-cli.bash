# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
# bash completion for bookferry-cli: its commands, the options each command takes (anywhere on
# the line, until --), the --device choices with folders after folder:, and files or folders
# where a command takes them. Loaded by bash-completion, whose helpers it uses.

_bookferry_cli()
{
    local cur prev words cword split
    _init_completion -s -n : || return

    local commands='info list import export delete apps backups restore ipod-info'
    local global='--device --json --verbose --help --version'

    case $prev in
        --device | -device)
            if [[ $cur == folder:* ]]; then
                local IFS=$'\n'
                COMPREPLY=($(compgen -d -P folder: -- "${cur#folder:}"))
                compopt -o filenames
            else
                COMPREPLY=($(compgen -W 'usb usb: demo folder:' -- "$cur"))
                [[ ${COMPREPLY-} == *: ]] && compopt -o nospace
            fi
            __ltrim_colon_completions "$cur"
            return
            ;;
        --to | -to)
            _filedir -d
            return
            ;;
        --app | -app)
            # App identifiers come from the device (bookferry-cli apps): too slow for a key press.
            return
            ;;
    esac
    $split && return

    # The command is the first word that is neither an option nor an option's value.
    local i command='' ended=''
    for ((i = 1; i < cword; i++)); do
        if [[ $ended ]]; then
            [[ $command ]] || command=${words[i]}
            continue
        fi
        case ${words[i]} in
            --) ended=1 ;;
            --device | -device | --to | -to | --app | -app) ((i++)) ;;
            -*) ;;
            *) [[ $command ]] || command=${words[i]} ;;
        esac
    done

    if [[ ! $ended && $cur == -* ]]; then
        local own
        case $command in
            '') own='--library --custom --to --replace --keep --duplicates --keep-both --app --all' ;;
            list) own='--library --custom --app' ;;
            import) own='--duplicates --replace --keep-both --app' ;;
            export) own='--to --replace --keep --app' ;;
            delete) own='--app' ;;
            apps) own='--all' ;;
        esac
        COMPREPLY=($(compgen -W "$global $own --" -- "$cur"))
        return
    fi

    case $command in
        '') COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        # An app may take PDFs too; the device's own books are ePub only.
        import) if [[ " ${words[*]} " == *" --app "* ]]; then _filedir '@(epub|pdf)'; else _filedir epub; fi ;;
        restore) _filedir ;;
        ipod-info) _filedir -d ;;
    esac
} &&
    complete -F _bookferry_cli bookferry-cli
