# bash completion for torvane                              -*- shell-script -*-
#
# Offers the options of `torvane --help` (tests/completion/completion_test.sh
# checks that the two agree), directories after -o, nothing to guess after an
# option that takes a number, and .obj files (any letter case) and
# directories for the models. Needs nothing but bash itself.

_torvane_models()
{
    local name dirs=() files=()
    compopt -o filenames 2>/dev/null
    mapfile -t dirs < <(compgen -d -- "$1")
    mapfile -t files < <(compgen -f -X '!*.[oO][bB][jJ]' -- "$1")
    COMPREPLY=("${dirs[@]}")
    for name in "${files[@]}"; do
        [[ -d $name ]] || COMPREPLY+=("$name")
    done
}

_torvane()
{
    local cur=${COMP_WORDS[COMP_CWORD]} option= equals=
    ((COMP_CWORD > 0)) && option=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    # bash splits "--output-dir=build" into "--output-dir", "=" and "build".
    # Completing the "=" itself replaces it, so the replies then start with
    # one.
    if [[ $option == = ]] && ((COMP_CWORD > 1)); then
        option=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == = ]]; then
        cur=
        equals='='
    fi

    local i
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} == -- ]]; then
            _torvane_models "$cur"
            return
        fi
    done

    case $option in
        -o | --output-dir)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            [[ -z $equals ]] || COMPREPLY=("${COMPREPLY[@]/#/=}")
            return
            ;;
        --seed | -j | --jobs)
            return
            ;;
        --normals)
            mapfile -t COMPREPLY < <(compgen -W 'auto smooth flat' -- "$cur")
            [[ -z $equals ]] || COMPREPLY=("${COMPREPLY[@]/#/=}")
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--non-interleaved --ascii --normals --seed -j --jobs
            -o --output-dir -h --help --version --' -- "$cur")
        return
    fi
    _torvane_models "$cur"
}

complete -F _torvane torvane
