"""A private session bus with the accessibility bus on it, as the desktop
gives one to its programs: the client, the tests reading its accessible tree
and the screen reader meet there. Needs the system Python's GObject
introspection (python3-gi)."""

import os
import shutil
import signal
import subprocess
import tempfile

from harness import WAIT


def end_with_this_process():
    """For a daemon started here: ends it should this test process die
    without its clean-up (killed by a time limit)."""
    import ctypes
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class AccessibilityBus:
    """A session bus of its own with the accessibility bus on it, for the
    whole module: AT-SPI's client side keeps its first bus for the process.
    env is the environment for the processes that use it."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="quorbital-a11y-")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.dir)
        for name in ("NO_AT_BRIDGE", "GTK_A11Y"):
            self.env.pop(name, None)
        self.session = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1",
             "--address=unix:path=%s/bus" % self.dir],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, env=self.env,
            start_new_session=True, preexec_fn=end_with_this_process)
        self.address = self.session.stdout.readline().strip()
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.address
        self.launcher = subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=self.env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True,
            preexec_fn=end_with_this_process)

    def wait_ready(self, screen_reader=False):
        """Waits until the launcher answers with the accessibility bus; with
        screen_reader, also says that one runs, as the desktop does when the
        person turns one on."""
        from gi.repository import GLib, Gio
        connection = Gio.DBusConnection.new_for_address_sync(
            self.address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        # The launcher answers once it owns its name: wait for that event.
        loop = GLib.MainLoop()
        appeared = []

        def on_appeared(*_):
            appeared.append(True)
            loop.quit()
        watch = Gio.bus_watch_name_on_connection(
            connection, "org.a11y.Bus", Gio.BusNameWatcherFlags.NONE, on_appeared, None)
        timeout = GLib.timeout_add_seconds(WAIT, loop.quit)
        loop.run()
        Gio.bus_unwatch_name(watch)
        if appeared:
            GLib.source_remove(timeout)
        else:
            raise AssertionError("no accessibility bus launcher within %ss" % WAIT)
        connection.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                             "GetAddress", None, None, Gio.DBusCallFlags.NONE, 1000, None)
        if screen_reader:
            for name in ("IsEnabled", "ScreenReaderEnabled"):
                connection.call_sync("org.a11y.Bus", "/org/a11y/bus",
                                     "org.freedesktop.DBus.Properties", "Set",
                                     GLib.Variant("(ssv)", ("org.a11y.Status", name,
                                                            GLib.Variant("b", True))),
                                     None, Gio.DBusCallFlags.NONE, 1000, None)
        connection.close_sync(None)

    def close(self):
        for proc in (self.launcher, self.session):
            try:
                os.killpg(proc.pid, signal.SIGTERM)
            except OSError:
                pass
            proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)
