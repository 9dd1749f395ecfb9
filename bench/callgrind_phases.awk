# Splits the instructions of a callgrind profile of a torvane run into its
# phases and prints one line: "total reading welding formatting rest".
#
#   valgrind --tool=callgrind --separate-threads=yes --callgrind-out-file=cg.out torvane ...
#   awk -f bench/callgrind_phases.awk cg.out*
#
# With -v detail=N it goes on to list, per phase, the N functions that
# contribute most: their own instructions, or a call into a shared function
# ("caller -> callee") with its inclusive instructions.
#
# The profile holds, per function, its own (self) instructions and, per call
# from one function to another, the instructions spent inside that call
# (inclusive). A few functions are named as the entries of a phase:
#
#   reading     the parser: ParseObjText, FinishObjParse, AppendLaterPart,
#               ParseObj, and all they call but the triangle sink
#   welding     the triangle sinks' Take, Reserve and JoinToFirst, and the
#               merging and welding functions (TakeModelTriangle, WeldCorner,
#               FinishMergingWeld, JoinLaterWeld, ...), from wherever called
#   formatting  WriteHeader and the row formatters (FormatFixed6, FormatIndexRow,
#               ...) and OrderedBlocks, whose helper threads format rows
#   rest        everything else: process start and exit, the command line,
#               opening, reading and replacing files (ReplacingSink is named
#               here, so the header's bytes handed to the file count as rest)
#
# Every other function takes the phase of its callers, found by following
# the calls from the roots (each thread's first function, which is rest).
# A profile of all threads in one file would join them where a thread
# starts (clone, called by its creator, then calls the new thread's code),
# so each thread has a file of its own and a graph of its own here. A function called from one phase only counts its own
# instructions there: so new helpers of the parser count as reading without
# being named. A function called from several phases (memcpy, malloc, vector
# growth) is split by call: each call into it from a function of one phase
# counts its inclusive instructions there. That split is exact as long as no
# such shared function calls a named entry (it cannot tell for which phase it
# did); that is checked, and so is that the four phases add up to the
# profile's total, so every instruction is counted once. On the 100k model
# this gives reading to the instruction as --toggle-collect runs do
# (ParseObjText's inclusive instructions less MergingSink::Take's).
#
# Positions are read but not used, so the file may use callgrind's
# compressed names and positions or not.

function fail(message) {
    print "callgrind_phases.awk: " (profile != "" ? profile : FILENAME) ": " message > "/dev/stderr"
    failed = 1
    exit 2
}

# The name behind a callgrind string, "(id) name" defining id, "(id)"
# referring back to it.
function named(value, table,    id) {
    if (value !~ /^\(/)
        return value
    id = substr(value, 1, index(value, ")"))
    if (length(value) > length(id))
        table[id] = substr(value, length(id) + 2)
    return table[id]
}

function label(name) {
    if (name ~ rest) return "rest"
    if (name ~ welding) return "welding"
    if (name ~ reading) return "reading"
    if (name ~ formatting) return "formatting"
    return ""
}

# Registers a function of this file's thread once: its label and its name.
function node(object, name,    key) {
    key = files SUBSEP object SUBSEP name
    if (!(key in seen)) {
        seen[key] = 1
        title[key] = name
        labelled[key] = label(name)
        if (labelled[key] != "")
            present[labelled[key]] = 1
    }
    return key
}

BEGIN {
    phaseCount = split("reading welding formatting rest", phase, " ")
    reading = "::(ParseObjText|FinishObjParse|AppendLaterPart|ParseObj)\\("
    welding = "(Sink::(Take|Reserve|JoinToFirst)|::(TakeModelTriangle|TakeLaterTriangle|JoinLaterWeld|" \
              "FinishMergingWeld|MergeWarningMesh|AppendWarningRecords|ScatterPositions|WarningScale|" \
              "WarningFits|WeldCorners?|WeldTriangle|WeldHead|ReserveWelder|EmptiedKeepingRoom|PrepareMesh))\\("
    formatting = "::((WriteHeader|Format[A-Za-z0-9]*)[(<]|OrderedBlocks::)"
    rest = "::ReplacingSink::"
}

# Names are numbered afresh in each file.
FNR == 1 {
    if (++files == 1)
        profile = FILENAME
    split("", objects)
    split("", functions)
    object = current = calleeObject = ""
    inCall = 0
}
/^summary:/ { total += $2; totalled = 1; next }
/^ob=/ { object = named(substr($0, 4), objects); next }
/^fn=/ { current = node(object, named(substr($0, 4), functions)); next }
/^cob=/ { calleeObject = named(substr($0, 5), objects); next }
/^cfn=/ {
    target = named(substr($0, 5), functions)
    callee = node(calleeObject != "" ? calleeObject : object, target)
    calleeObject = ""
    next
}
/^calls=/ { inCall = 1; next }
/^[0-9+*-]/ {
    if (current == "")
        fail("a cost line before any function")
    if (inCall) {
        inCall = 0
        # Calls from several places in a function add up to one edge.
        if (!((current, callee) in edge)) {
            edges++
            edgeFrom[edges] = current
            edgeTo[edges] = callee
        }
        edge[current, callee] += $2
        called[callee] = 1
    } else {
        self[current] += $2
    }
    next
}

END {
    if (failed)
        exit 2
    if (!totalled)
        fail("no summary line: not a callgrind profile")

    # The phases each function is reached from. Roots are rest; a
    # function only reachable through a cycle is a root too.
    for (key in seen)
        if (labelled[key] == "" && !(key in called))
            from[key, "rest"] = 1
    do {
        changed = 0
        for (e = 1; e <= edges; e++) {
            caller = edgeFrom[e]
            callee = edgeTo[e]
            if (labelled[callee] != "")
                continue
            for (p = 1; p <= phaseCount; p++) {
                name = phase[p]
                if ((labelled[caller] == name || (labelled[caller] == "" && (caller, name) in from)) \
                    && !((callee, name) in from)) {
                    from[callee, name] = 1
                    changed = 1
                }
            }
        }
        if (!changed)
            for (key in seen)
                if (labelled[key] == "" && !reached(key)) {
                    from[key, "rest"] = 1
                    changed = 1
                }
    } while (changed)

    for (key in seen) {
        owner[key] = labelled[key]
        if (owner[key] == "")
            for (p = 1; p <= phaseCount; p++)
                if ((key, phase[p]) in from)
                    owner[key] = owner[key] == "" ? phase[p] : "shared"
        if (owner[key] != "shared")
            cost[owner[key]] += self[key]
    }
    for (e = 1; e <= edges; e++) {
        caller = edgeFrom[e]
        callee = edgeTo[e]
        if (owner[callee] != "shared")
            continue
        if (owner[caller] != "shared")
            cost[owner[caller]] += edge[caller, callee]
    }
    for (e = 1; e <= edges; e++)
        if (owner[edgeFrom[e]] == "shared" && labelled[edgeTo[e]] != "")
            fail("the shared " title[edgeFrom[e]] " calls " title[edgeTo[e]] \
                 " (" labelled[edgeTo[e]] "): its instructions cannot be split by phase" \
                 " (one file per thread: --separate-threads=yes; else name it as an entry here)")

    sum = 0
    for (p = 1; p <= phaseCount; p++)
        sum += cost[phase[p]]
    if (sum != total)
        fail(sprintf("the phases add up to %.0f instructions, not the total %.0f", sum, total))
    # Without a phase's entries its instructions land in rest, so neither
    # says anything: both are shown as "-".
    split("", shown)
    for (p = 1; p <= phaseCount; p++)
        shown[phase[p]] = sprintf("%.0f", cost[phase[p]])
    missing = ""
    for (p = 1; p <= 3; p++)
        if (!(phase[p] in present)) {
            missing = missing (missing == "" ? "" : ", ") phase[p]
            shown[phase[p]] = shown["rest"] = "-"
        }
    if (missing != "")
        print "callgrind_phases.awk: " profile ": no function of " missing \
              " found (a build without symbols, or functions renamed)" > "/dev/stderr"
    printf "%.0f %s %s %s %s\n", total, shown["reading"], shown["welding"], shown["formatting"], shown["rest"]
    if (detail > 0)
        for (p = 1; p <= phaseCount; p++)
            list(phase[p])
}

# The same function on several threads is listed once.
function list(name,    key, e, part, sorter) {
    printf "\n%s: %.0f\n", name, cost[name]
    fflush()
    split("", part)
    for (key in seen)
        if (owner[key] == name && self[key] > 0)
            part[title[key]] += self[key]
    for (e = 1; e <= edges; e++)
        if (owner[edgeFrom[e]] == name && owner[edgeTo[e]] == "shared")
            part[title[edgeFrom[e]] " -> " title[edgeTo[e]]] += edge[edgeFrom[e], edgeTo[e]]
    sorter = "sort -rn | head -n " detail
    for (key in part)
        printf "%12.0f  %s\n", part[key], key | sorter
    close(sorter)
}

function reached(key,    p) {
    for (p = 1; p <= phaseCount; p++)
        if ((key, phase[p]) in from)
            return 1
    return 0
}
