"""A real screen reader for end-to-end tests: Orca, speaking through a
speech-dispatcher of its own whose only output module writes every utterance
as a line to a file. Both run on the test's accessibility bus and display,
with private settings, so nothing of the machine's desktop is used."""

import ctypes
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

from a11y_bus import end_with_this_process

# Orca's settings: speech on, through speech-dispatcher; no braille display
# to look for, no key echo and no sounds, so the file holds what the windows
# say.
ORCA_SETTINGS = """{
 "general": {"enableSpeech": true, "speechServerFactory": "speechdispatcherfactory",
             "enableBraille": false, "enableKeyEcho": false, "enableSound": false},
 "profiles": {"default": {"profile": ["Default", "default"], "enableBraille": false,
                          "enableKeyEcho": false, "enableSound": false}},
 "pronunciations": {}, "keybindings": {}
}
"""

# The output module: each utterance appended to $SPEECH_FILE, as UTF-8 for
# every language Orca may ask for (the module's default charset is Latin-1).
SPEECH_MODULE = """GenericExecuteSynth "printf '%s\\\\n' '$DATA' >> \\"$SPEECH_FILE\\""
GenericLanguage "zh" "zh" "utf-8"
GenericLanguage "en" "en" "utf-8"
AddVoice "zh" "MALE1" "zh"
AddVoice "en" "MALE1" "en"
"""

SPEECHD_CONF = """AudioOutputMethod "libao"
AddModule "file" "sd_generic" "file.conf"
DefaultModule file
LanguageDefaultModule "zh" "file"
LanguageDefaultModule "en" "file"
DefaultLanguage "zh"
"""


# Orca's own program refuses to start while any other Orca of the user runs
# (a person's own, another run of this test) and finds them by process name.
# The test's Orca is the same program under its own name, started the way
# that program starts it, so runs side by side on their private buses do not
# meet: argv is the debug log and the preferences folder.
ORCA = """import sys
from orca import debug
debug.debugLevel = debug.LEVEL_ALL
debug.eventDebugLevel = debug.LEVEL_OFF
debug.debugFile = open(sys.argv[1], "w")
from orca import orca
manager = orca.getSettingsManager()
manager.activate(sys.argv[2], {})
sys.path.insert(0, manager.getPrefsDir())
sys.exit(orca.main())
"""


class FileWatch:
    """A descriptor that select() finds readable once the file has been
    written to since the last drain() (inotify, IN_MODIFY)."""

    IN_MODIFY = 0x2

    def __init__(self, path):
        libc = ctypes.CDLL(None, use_errno=True)
        self.fd = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0 or libc.inotify_add_watch(self.fd, os.fsencode(path), self.IN_MODIFY) < 0:
            raise OSError(ctypes.get_errno(), "inotify on %s" % path)

    def drain(self):
        try:
            while os.read(self.fd, 4096):
                pass
        except BlockingIOError:
            pass

    def close(self):
        os.close(self.fd)


def orca_python():
    """The interpreter Orca's program runs with (its #! line), or None."""
    path = shutil.which("orca")
    if path is None:
        return None
    with open(path, "rb") as f:
        line = f.readline().decode(errors="replace")
    return line[2:].split() if line.startswith("#!") else None


def missing_tools():
    """What this machine lacks to run the screen reader, or None."""
    lacking = [tool for tool in ("speech-dispatcher", "xdotool") if shutil.which(tool) is None]
    python = orca_python()
    probe = python and subprocess.run(python + ["-c", "import orca.orca_platform"],
                                      capture_output=True)
    if not probe or probe.returncode != 0:
        lacking.append("orca")
    return ", ".join(lacking) or None


class ScreenReader:
    """Orca with its speech in a file. lines() is everything said so far,
    one utterance a line; mark() and said_since() cut out what a step said."""

    def __init__(self, bus_env):
        self.dir = tempfile.mkdtemp(prefix="quorbital-orca-")
        home = os.path.join(self.dir, "home")
        run = os.path.join(self.dir, "run")
        speechd = os.path.join(self.dir, "speechd")
        prefs = os.path.join(self.dir, "orca")
        for folder in (home, run, os.path.join(speechd, "modules"), prefs):
            os.makedirs(folder, mode=0o700)
        self.file = os.path.join(self.dir, "speech.txt")
        open(self.file, "w").close()
        self.log = os.path.join(self.dir, "orca.log")
        # libao needs a sink; there is no sound device.
        with open(os.path.join(home, ".libao"), "w") as f:
            f.write("default_driver=null\n")
        with open(os.path.join(speechd, "speechd.conf"), "w") as f:
            f.write(SPEECHD_CONF)
        with open(os.path.join(speechd, "modules", "file.conf"), "w") as f:
            f.write(SPEECH_MODULE)
        with open(os.path.join(prefs, "user-settings.conf"), "w") as f:
            f.write(ORCA_SETTINGS)
        socket = os.path.join(run, "speechd.sock")
        env = dict(bus_env, HOME=home, XDG_RUNTIME_DIR=run,
                   XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"), SPEECH_FILE=self.file,
                   SPEECHD_ADDRESS="unix_socket:" + socket, LANG="C.UTF-8")
        self.processes = []
        self.processes.append(subprocess.Popen(
            ["speech-dispatcher", "-s", "-t", "0", "-C", speechd, "-S", socket],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True, preexec_fn=end_with_this_process))
        self.output = os.path.join(self.dir, "orca.out")
        with open(self.output, "w") as out:
            self.processes.append(subprocess.Popen(
                orca_python() + ["-c", ORCA, self.log, prefs], env=env, stdout=out,
                stderr=subprocess.STDOUT, start_new_session=True,
                preexec_fn=end_with_this_process))
        # What wait_for wakes on: a new utterance, or the end of either process.
        self.watch = FileWatch(self.file)
        self.ends = [os.pidfd_open(proc.pid) for proc in self.processes]

    def lines(self):
        with open(self.file, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n") for line in f if line.strip()]

    def mark(self):
        return len(self.lines())

    def said_since(self, mark):
        return self.lines()[mark:]

    def wait_ready(self, timeout):
        """Orca greets once it listens to the desktop."""
        self.wait_for(lambda lines: any("Screen reader on" in line for line in lines), 0,
                      timeout, "Orca did not start")

    def wait_for(self, predicate, mark, timeout, message):
        """Waits until predicate holds for the lines said since mark; returns
        them. Raises AssertionError with what was said when it does not."""
        deadline = time.monotonic() + timeout
        while True:
            self.watch.drain()  # before reading: a line written after the read wakes the wait
            lines = self.said_since(mark)
            if predicate(lines):
                return lines
            for proc in self.processes:
                if proc.poll() is not None:
                    with open(self.output, errors="replace") as f:
                        raise AssertionError("%s: %s ended; Orca wrote: %s"
                                             % (message, proc.args[0], f.read()[-2000:]))
            left = deadline - time.monotonic()
            if left <= 0:
                raise AssertionError("%s within %ss; said: %r" % (message, timeout, lines))
            select.select([self.watch.fd] + self.ends, [], [], left)

    def close(self):
        self.watch.close()
        for fd in self.ends:
            os.close(fd)
        for proc in reversed(self.processes):
            try:
                os.killpg(proc.pid, signal.SIGTERM)
            except OSError:
                pass
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()

    def remove(self, keep_log=None):
        """Removes the reader's files; keep_log: a path Orca's debug log is
        copied to first (what it heard and why it spoke)."""
        if keep_log:
            shutil.copyfile(self.log, keep_log)
        shutil.rmtree(self.dir, ignore_errors=True)
