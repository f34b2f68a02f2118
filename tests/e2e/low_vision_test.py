"""Bigger and clearer, end to end: the page zoom by keys and wheel and its
return after a restart; the skinned windows at the desktop's large text
(Xft.dpi 144, as GNOME's "large text" sets it); and the contrast of every
text and icon of the windows, measured in screenshots, with the usual colours
and in both high-contrast themes. The windows' texts and icons are found
through the accessibility bus; pictures go to build/artifacts/low_vision_*."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import accessibility_test as a11y  # noqa: E402
from harness import BINARY_DIR, ClientTest, end_process_group  # noqa: E402
from update_test import UpdateService  # noqa: E402

setUpModule = a11y.setUpModule
tearDownModule = a11y.tearDownModule


def luminance(rgb):
    def channel(v):
        c = v / 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(v) for v in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


class Shot:
    """A screenshot of the whole screen as RGB pixels."""

    def __init__(self, path):
        size = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True,
                              text=True, check=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        self.path = path
        subprocess.run(["import", "-window", "root", path], check=True)
        self.data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                                   check=True).stdout

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.data[at:at + 3])

    def region(self, x, y, w, h):
        return [[self.pixel(px, py) for px in range(x, x + w)] for py in range(y, y + h)]


def measure(region):
    """The ground of a piece of screen (its most frequent colour) and the
    contrast of the pixel that stands out most from it: a text's or an
    icon's own colour where it is drawn at full strength."""
    counts = {}
    for row in region:
        for p in row:
            counts[p] = counts.get(p, 0) + 1
    ground = max(counts, key=counts.get)
    return ground, max(contrast(ground, p) for p in counts)


def ink_box(region, ground):
    """The rows and columns drawn on (not the ground): (top, bottom, left,
    right), or None."""
    rows = [y for y, row in enumerate(region) if any(contrast(p, ground) > 1.5 for p in row)]
    cols = [x for x in range(len(region[0]))
            if any(contrast(row[x], ground) > 1.5 for row in region)]
    return (rows[0], rows[-1], cols[0], cols[-1]) if rows and cols else None


def text_box(shot, rect):
    """The ink box of a label's text. Its edge rows are left out: at 1.5
    times the size a layout pixel ends mid-pixel, and the pixel row there
    is shared with the control below (a progress bar)."""
    x, y, w, h = rect
    region = shot.region(x, y + 1, w, h - 2)
    return ink_box(region, measure(region)[0])


class Windows(a11y.AccessibleClientTest):
    """A client on the accessibility bus with downloads in its list; the
    texts and icons of its windows found there."""

    def window(self, name):
        from gi.repository import GLib

        def shown():
            try:
                return super(Windows, self).window(name)
            except GLib.Error:
                return None  # an earlier client's window, gone meanwhile
        return self.wait_until(shown, message="no window %r" % name)

    def controls(self, window):
        """The labels and buttons of a window's skin (the page's tree is the
        engine's), with their extents."""
        return [(n.get_role(), n.get_name(), a11y.extents(n)) for n in a11y.walk(window)
                if n.get_role() in (a11y.Atspi.Role.LABEL, a11y.Atspi.Role.PUSH_BUTTON)
                and "showing" in a11y.states(n)]

    def with_downloads(self):
        """The main window, and the download list with a finished and a
        failed download."""
        # A folder of its own for each client: no question about a file there.
        folder = os.path.join(self.tmp, "saved-%d" % len(os.listdir(self.tmp)))
        os.makedirs(folder)
        self.start()
        self.report(event="load", page="start")
        self.maximised_window_id()
        window = None
        for path, name, done in (("a.pdf", "a.pdf", "打开文件"),
                                 ("missing/b.pdf", "b.pdf", "重试")):
            self.answer_dialog(os.path.join(folder, name))
            self.run_js("location.href = CONTROL + '/slide/download/%s'" % path)
            window = window or self.window("下载")
            self.wait_until(lambda: sum(n == done for _, n, _ in self.controls(window)) == 1,
                            message="the row of %s is not there" % name)
        return window

    def shot(self, label, drawn=None):
        """A screenshot, once every control drawn lists (their rectangles)
        shows in it: a window is painted a moment after it reports its
        controls, later still on a busy machine."""
        os.makedirs(os.path.join(BINARY_DIR, "artifacts"), exist_ok=True)
        path = os.path.join(BINARY_DIR, "artifacts", "low_vision_%s.png" % label)
        if drawn is None:
            return Shot(path)

        def taken():
            shot = Shot(path)
            shown = all(measure(shot.region(*rect))[1] > 2 for rect in drawn)
            return shot if shown else None
        return self.wait_until(taken, message="%s is not drawn" % label)

    def assert_contrast(self, shot, controls, text, icon):
        """Every text at least text:1 against its ground, every image-only
        button's icon at least icon:1. The figures go beside the picture."""
        low, measured = [], []
        for role, name, (x, y, w, h) in controls:
            ground, ratio = measure(shot.region(x, y, w, h))
            # The caption's buttons (at most 44 pixels wide) show icons.
            wanted = icon if role == a11y.Atspi.Role.PUSH_BUTTON and w <= 44 else text
            line = "%s %r: %.2f (at least %.1f)" % (role.value_nick, name, ratio, wanted)
            measured.append(line)
            if ratio < wanted:
                low.append(line)
        with open(os.path.splitext(shot.path)[0] + ".txt", "w", encoding="utf-8") as f:
            f.write("\n".join(measured) + "\n")
        self.assertEqual(low, [], "\n".join(low))


class PageZoom(ClientTest):
    def zoom_of(self, width):
        """The page's zoom from its width in its own pixels."""
        return round(self.full_width / width, 2)

    def wait_zoom(self, zoom):
        self.wait_until(lambda: self.zoom_of(self.ask("innerWidth")) == zoom,
                        message="the page is not at %d %%" % (zoom * 100))

    def test_keys_and_the_wheel_zoom_the_page_and_the_zoom_comes_back(self):
        self.start()
        self.full_width = self.report(event="load", page="start")["width"]
        self.maximised_window_id()
        for keys, zoom in ((("ctrl+plus",), 1.1), (("ctrl+equal",), 1.25),
                           (("ctrl+minus", "ctrl+minus", "ctrl+minus"), 0.9), (("ctrl+0",), 1.0)):
            subprocess.run(["xdotool", "key", "--delay", "50", *keys], check=True)
            self.wait_zoom(zoom)
        # The page is laid out anew at its size: its text wraps at the new
        # width instead of being a stretched picture.
        self.run_js("document.body.innerHTML = '<p id=t>' + 'word '.repeat(400) + '</p>';"
                    "report({event: 'filled'})")
        self.report(event="filled")
        height = self.ask("document.getElementById('t').offsetHeight")
        # Ctrl with the wheel over the page, two notches up.
        screen_w, screen_h = self.screen_size()
        subprocess.run(["xdotool", "mousemove", str(screen_w // 2), str(screen_h // 2),
                        "keydown", "ctrl", "click", "4", "click", "4", "keyup", "ctrl"],
                       check=True)
        self.wait_zoom(1.25)
        self.assertGreater(self.ask("document.getElementById('t').offsetHeight"), height,
                           "the text does not wrap at the larger size")
        subprocess.run(["xdotool", "key", "ctrl+q"], check=True)
        self.assertEqual(self.wait_exit(), 0)
        with open(os.path.join(self.tmp, "config", "quorbital", "window.ini")) as f:
            self.assertIn("zoom=125", f.read())
        # The next start shows the page at the zoom chosen.
        self.start()
        self.assertEqual(self.zoom_of(self.report(event="load", page="start")["width"]), 1.25)


class LargeText(Windows):
    """The desktop's text size at 1.5 (Xft.dpi 144): the skinned windows
    grow with their text and keep their layout."""

    def set_dpi(self, dpi):
        if dpi:
            subprocess.run(["xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set",
                            "RESOURCE_MANAGER", "Xft.dpi:\t%d\n" % dpi], check=True)
        else:
            subprocess.run(["xprop", "-root", "-remove", "RESOURCE_MANAGER"], check=True)

    def tearDown(self):
        self.set_dpi(None)
        super().tearDown()

    def measured(self, label):
        window = self.with_downloads()
        controls = self.controls(window)
        main = self.controls(self.window("Quorbital"))
        size = window.get_component_iface().get_extents(a11y.Atspi.CoordType.SCREEN)
        shot = self.shot(label)
        return (size.width, size.height), controls, main, shot

    def caption_ink(self, controls, shot, name):
        role, _, (x, y, w, h) = next(c for c in controls if c[1] == name and
                                    c[0] == a11y.Atspi.Role.LABEL)
        region = shot.region(x, y, w, h)
        ground, _ = measure(region)
        return ink_box(region, ground), h

    def test_the_windows_grow_with_the_desktops_text_and_keep_their_layout(self):
        size, controls, main, shot = self.measured("text_1")
        title, strip = self.caption_ink(main, shot, "Quorbital")
        end_process_group(self.proc)

        self.set_dpi(144)
        size2, controls2, main2, shot2 = self.measured("text_1.5")
        self.assertEqual(size2, (round(size[0] * 1.5), round(size[1] * 1.5)))
        # The same controls, each where it was, 1.5 times as large.
        self.assertEqual([(r, n) for r, n, _ in controls2], [(r, n) for r, n, _ in controls])
        left, top = controls[0][2][0] - 1, controls[0][2][1] - 1
        left2, top2 = controls2[0][2][0] - 1, controls2[0][2][1] - 1
        for (_, name, a), (_, _, b) in zip(controls, controls2):
            wanted = ((a[0] - left) * 1.5, (a[1] - top) * 1.5, a[2] * 1.5, a[3] * 1.5)
            got = (b[0] - left2, b[1] - top2, b[2], b[3])
            self.assertTrue(all(abs(g - w) <= 2 for g, w in zip(got, wanted)),
                            "%r at %r, not %r" % (name, got, wanted))
        # Every text 1.5 times as tall and as wide as it was: none of it cut
        # off or shortened.
        for (role, name, a), (_, _, b) in zip(controls, controls2):
            if role != a11y.Atspi.Role.LABEL:
                continue
            box, box2 = text_box(shot, a), text_box(shot2, b)
            for size, size2 in ((box[1] - box[0] + 1, box2[1] - box2[0] + 1),
                                (box[3] - box[2] + 1, box2[3] - box2[2] + 1)):
                self.assertAlmostEqual(size2 / size, 1.5, delta=0.25,
                                       msg="the text of %r: %r, then %r" % (name, box, box2))
        # The page's text grows by the engine's own following of the text
        # size; its zoom stays at 100 % (a zoom on top would grow it twice).
        heading = ink_box(shot.region(0, 30, 600, 150), (255, 255, 255))
        heading2 = ink_box(shot2.region(0, 30, 600, 150), (255, 255, 255))
        self.assertAlmostEqual((heading2[1] - heading2[0]) / (heading[1] - heading[0]), 1.5,
                               delta=0.25)
        # The main window's strip keeps its 24 pixels; its text grows in it.
        title2, strip2 = self.caption_ink(main2, shot2, "Quorbital")
        self.assertEqual((strip, strip2), (24, 24))
        ratio = (title2[1] - title2[0] + 1) / (title[1] - title[0] + 1)
        self.assertAlmostEqual(ratio, 1.5, delta=0.25)
        self.assertTrue(title2[0] > 0 and title2[1] < 23, "the title is cut")


class Contrast(Windows):
    """Every text and icon of the windows measured in a screenshot."""

    def theme(self, name):
        folder = os.path.join(self.tmp, "config", "gtk-3.0")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "settings.ini"), "w") as f:
            f.write("[Settings]\ngtk-theme-name=%s\n" % name)

    def check(self, label, text, icon):
        window = self.with_downloads()
        controls = self.controls(window) + self.controls(self.window("Quorbital"))
        self.assert_contrast(self.shot(label), controls, text, icon)
        # And the update window, installing and then installed.
        end_process_group(self.proc)
        service = UpdateService(self.server.port)
        self.addCleanup(service.close)
        service.archive = "held"
        with open(os.path.join(self.data_dir, "version.ini"), "w") as f:
            f.write("[versionInformation]\nbuild=1000\ncloudHost=http://127.0.0.1:%d/\n"
                    % service.port)
        self.start()
        dialog = self.window("内容升级")
        self.assertTrue(service.half_sent.wait(30))
        self.wait_until(lambda: len(self.controls(dialog)) >= 3, message="no status")
        controls = self.controls(dialog)
        self.assert_contrast(self.shot(label + "_update", [c[2] for c in controls]), controls, text, icon)
        service.release.set()
        self.wait_until(lambda: any(n == "开始使用" for _, n, _ in self.controls(dialog)),
                        message="no start button")
        controls = self.controls(dialog)
        self.assert_contrast(self.shot(label + "_updated", [c[2] for c in controls]), controls, text, icon)

    def test_usual_colours_keep_a_margin(self):
        self.check("usual", 4.7, 3.5)

    def test_high_contrast(self):
        self.theme("HighContrast")
        self.check("high_contrast", 7, 4.5)

    def test_high_contrast_inverse(self):
        self.theme("HighContrastInverse")
        self.check("high_contrast_inverse", 7, 4.5)


if __name__ == "__main__":
    unittest.main()
