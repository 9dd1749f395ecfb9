# Sourced by the CI scripts that set up their own tools.

job_started=$SECONDS

# Heads a step of the job's log with the seconds spent so far.
section() { printf '\n== %s (%ss)\n' "$1" $((SECONDS - job_started)); }

# Installs the Debian packages named, quietly; does nothing when none is
# named. Runs as root, as the CI jobs do.
install_packages_named() {
    (($#)) || return 0
    echo "installing $*"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
