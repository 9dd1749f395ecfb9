# fish completion for torvane: the options of `torvane --help`
# (tests/completion/completion_test.sh checks that the two agree),
# directories after -o, and .obj files (any letter case) and directories for
# the models.

function __torvane_models
    for path in (commandline -ct)*
        if test -d $path
            echo $path/
        else if string match -q -i -r '\.obj$' -- $path
            echo $path
        end
    end
end

complete -c torvane -f -a '(__torvane_models)'
complete -c torvane -l non-interleaved -d 'One array of three floats per attribute'
complete -c torvane -l ascii -d 'Letters beyond ASCII in names as universal character names'
complete -c torvane -l normals -x -a 'auto smooth flat' -d 'Generate normals for corners without one'
complete -c torvane -l seed -x -d 'Seed the scatter of the warning triangles (0 to 4294967295)'
complete -c torvane -s j -l jobs -x -d 'Use at most N threads'
# fish completes "--output-dir=DIR" after the "=", but the token it gives to
# a function still starts with the option.
complete -c torvane -s o -l output-dir -x -d 'Write the headers into DIR' \
    -a '(__fish_complete_directories (commandline -ct | string replace -r -- "^--output-dir=" ""))'
complete -c torvane -s h -l help -d 'Show the help and exit'
complete -c torvane -l version -d 'Show the version and exit'
