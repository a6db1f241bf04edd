"""tools/packages.sh against a package manager that holds apt's and dpkg's locks, as unattended
upgrades do at a desktop's boot: the install waits, saying what it waits for, and goes on once
the lock is free; a lock held past the bound ends it with a clear error instead of a hang.
Needs root (the real locks); skipped otherwise. Nothing is installed: the command asks apt-get
for a package that is there already, which takes the lock and changes nothing."""
import fcntl
import os
import subprocess
import sys

ROOT = sys.argv[1]
SKIP = 77
LOCKS = ["/var/lib/dpkg/lock-frontend", "/var/lib/apt/lists/lock"]


def hold_locks():
    held = []
    for path in LOCKS:
        fd = os.open(path, os.O_RDWR | os.O_CREAT, 0o640)
        fcntl.lockf(fd, fcntl.LOCK_EX)
        held.append(fd)
    return held


def release(held):
    for fd in held:
        os.close(fd)


def install(wait):
    """apt_get as need_packages runs it, in the background; its output read line by line."""
    script = ". '%s/tools/packages.sh' && apt_get install -y -qq bash" % ROOT
    return subprocess.Popen(["bash", "-c", script], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True,
                            env=dict(os.environ, GORVEX_APT_WAIT=str(wait)))


def main():
    if os.geteuid() != 0:
        print("not root: apt's locks cannot be taken here")
        return SKIP
    failures = []

    held = hold_locks()
    waiting = install(300)
    line = waiting.stdout.readline()  # comes while the lock is held: no time bet
    if "waiting for another package manager" not in line:
        failures.append("no line saying what the install waits for, got %r" % line)
    release(held)
    out, err = waiting.communicate()
    if waiting.returncode != 0:
        failures.append("the install failed once the lock was free: %s" % err)

    held = hold_locks()
    try:
        given_up = install(1)
        out, err = given_up.communicate()
    finally:
        release(held)
    if (given_up.returncode != 1 or "waiting for another package manager" not in out
            or "still holds apt's lock" not in err):
        failures.append("a lock held past the bound gave no clear error: status %d, %r %r"
                        % (given_up.returncode, out, err))
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
