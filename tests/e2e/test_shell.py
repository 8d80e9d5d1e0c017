"""test_shell.py: tvhost running the real plug-in: the main page, the exit
key, the private box root, and tvhost's refusals."""

import os
import shutil
import subprocess
import unittest

import box


def machine_state(path):
    """What the machine has at path (to see that a run left it alone)."""
    try:
        st = os.stat(path)
    except FileNotFoundError:
        return None
    return (st.st_ino, st.st_mtime_ns, st.st_size)


class MainPage(unittest.TestCase):
    def setUp(self):
        self.box = box.make_box()
        self.addCleanup(self.box.cleanup)

    def test_exit_shows_main_page_and_closes_once(self):
        run = box.run_tvhost(self.box, ["exit"])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.headings(), ["shown", "after exit"])
        page = run.screen("shown")
        self.assertIn("Tarvio Downloader - v0.6b", page.splitlines()[0])
        self.assertIn("Press blue button to setup.", page)
        self.assertIn("[green] Download", page)
        self.assertIn("[blue] Setup", page)
        self.assertEqual(run.stderr, "WCLOSE!")

    def test_credit_line_above_hint_inside_frame(self):
        run = box.run_tvhost(self.box, ["exit"])
        rows = run.screen("shown").splitlines()
        hint = next(i for i, row in enumerate(rows) if "Press blue button" in row)
        self.assertTrue(rows[hint - 1].strip("| "), "credit line missing above the hint")
        self.assertTrue(rows[0].lstrip().startswith("+"))
        self.assertTrue(rows[-1].lstrip().startswith("+-"))
        # Download and Setup share the button row, Download on the left.
        buttons = next(row for row in rows if "[green] Download" in row)
        self.assertLess(buttons.index("Download"), buttons.index("Setup"))

    def test_exit_pressed_when_keys_run_out(self):
        run = box.run_tvhost(self.box, ["up", "down"])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.headings(), ["shown", "after up", "after down", "after exit"])
        self.assertEqual(run.stderr, "WCLOSE!")

    def test_exit_on_setup_page_closes_without_saving(self):
        run = box.run_tvhost(self.box, ["blue", "exit"])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.headings()[-1], "after exit")
        self.assertIn("EPG filename:", run.screen("after blue"))
        self.assertEqual(run.stderr, "WCLOSE!")
        self.assertFalse(os.path.exists(os.path.join(self.box.plugins, "tarvio.conf")))


class BoxRoot(unittest.TestCase):
    def setUp(self):
        self.box = box.make_box()
        self.addCleanup(self.box.cleanup)

    def test_saved_settings_land_in_the_box_only(self):
        machine_conf = "/var/kestra/plugins/tarvio.conf"
        before = machine_state(machine_conf)
        marker = os.path.join(self.box.tmp, "marker")
        with open(marker, "w") as f:
            f.write("box")
        # Setup, then Save: the plug-in writes its settings file.
        run = box.run_tvhost(self.box, ["blue", "green"])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertTrue(os.path.exists(os.path.join(self.box.plugins, "tarvio.conf")),
                        run.stdout)
        self.assertEqual(machine_state(machine_conf), before)
        # The box's folders were used in place, not emptied or replaced.
        with open(marker) as f:
            self.assertEqual(f.read(), "box")

    def test_plugin_and_its_commands_write_into_the_box(self):
        name = "tarvio-probe-%d" % os.getpid()
        machine = ["/var/" + name, "/mnt/" + name, "/tmp/" + name]
        self.assertEqual([p for p in machine if os.path.exists(p)], [])
        try:
            run = box.run_tvhost(self.box, ["exit"], env={"PROBE_NAME": name},
                                 plugin=os.environ["PROBE_SO"])
            self.assertEqual(run.returncode, 0, run.stderr)
            for folder in (self.box.var, self.box.mnt, self.box.tmp):
                self.assertTrue(os.path.exists(os.path.join(folder, name)), folder)
            self.assertEqual([p for p in machine if os.path.exists(p)], [])
        finally:
            for path in machine:
                if os.path.exists(path):
                    os.remove(path)

    def test_plugin_reads_the_box_settings(self):
        # The settings file the plug-in reads comes from the box, so its
        # values show on the setup page.
        with open(os.path.join(self.box.plugins, "tarvio.conf"), "w") as f:
            f.write("# Tarvio config file - DO NOT EDIT!\n/mnt/usb/boxonly.dat\n3\n")
        run = box.run_tvhost(self.box, ["blue"])
        page = run.screen("after blue")
        self.assertIn("/mnt/usb/boxonly.dat", page)
        self.assertIn("Days to download:   3", page)

    def test_missing_folders_are_created(self):
        bare = box.make_box()
        self.addCleanup(bare.cleanup)
        for name in ("var", "mnt", "tmp"):
            os.rename(os.path.join(bare.path, name), os.path.join(bare.path, "old-" + name))
        run = box.run_tvhost(bare, ["exit"])
        self.assertEqual(run.returncode, 0, run.stderr)
        for name in ("var", "mnt", "tmp"):
            self.assertTrue(os.path.isdir(os.path.join(bare.path, name)))

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"),
                         "needs root to run tvhost as an ordinary user")
    def test_ordinary_user_through_a_user_namespace(self):
        as_nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        reachable = subprocess.run(as_nobody + ["test", "-x", box.tvhost_path(), "-a",
                                                "-r", box.plugin_path()], timeout=60)
        if reachable.returncode != 0:
            self.skipTest("the build folder is closed to other users")
        for folder, _, _ in os.walk(self.box.path):
            os.chmod(folder, 0o777)
        command = as_nobody + [box.tvhost_path(), "--root", self.box.path, "--key", "blue",
                               "--key", "green", box.plugin_path()]
        done = subprocess.run(command, capture_output=True, text=True, timeout=60)
        with open("/proc/sys/user/max_user_namespaces") as f:
            allowed = int(f.read()) > 0
        if not allowed:
            self.assertNotEqual(done.returncode, 0)
            self.assertIn("cannot create a user namespace", done.stderr)
            self.assertEqual(done.stdout, "")
            return
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("=== after exit ===", done.stdout)
        conf = os.path.join(self.box.plugins, "tarvio.conf")
        self.assertTrue(os.path.exists(conf))
        self.assertEqual(os.stat(conf).st_uid, 65534)

    def test_unusable_root_runs_nothing(self):
        not_a_folder = os.path.join(self.box.path, "file")
        with open(not_a_folder, "w") as f:
            f.write("x")
        done = subprocess.run([box.tvhost_path(), "--root", not_a_folder, "--key", "exit",
                               box.plugin_path()], capture_output=True, text=True, timeout=60)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("tvhost:", done.stderr)
        self.assertNotIn("WCLOSE!", done.stderr)
        self.assertEqual(done.stdout, "")


class Refusals(unittest.TestCase):
    def setUp(self):
        self.box = box.make_box()
        self.addCleanup(self.box.cleanup)

    def expect_refusal(self, plugin, words):
        run = box.run_tvhost(self.box, ["exit"], plugin=plugin)
        self.assertNotEqual(run.returncode, 0)
        self.assertIn(words, run.stderr)
        self.assertEqual(run.stdout, "")

    def test_missing_file(self):
        self.expect_refusal(os.path.join(self.box.path, "absent.so"), "cannot open plug-in")

    def test_not_a_shared_object(self):
        fake = os.path.join(self.box.path, "fake.so")
        with open(fake, "w") as f:
            f.write("not an ELF file\n")
        self.expect_refusal(fake, "cannot load plug-in")

    def test_shared_object_without_entry(self):
        self.expect_refusal(os.environ["NO_ENTRY_SO"], "has no plugin_exec")

    def test_unknown_key(self):
        done = subprocess.run([box.tvhost_path(), "--key", "purple", box.plugin_path()],
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 2)
        self.assertIn('unknown key "purple"', done.stderr)
        self.assertIn("usage:", done.stderr)

    def test_help_is_no_refusal(self):
        # --help shows the usage and runs nothing, not even a plug-in given after it.
        for args in (["--help"], ["--help", "--key", "purple", box.plugin_path()]):
            with self.subTest(args=args):
                done = subprocess.run([box.tvhost_path()] + args, capture_output=True, text=True, timeout=60)
                self.assertEqual((done.returncode, done.stderr), (0, ""))
                self.assertTrue(done.stdout.startswith("usage: tvhost "), done.stdout)
                self.assertIn("--help", done.stdout)
                self.assertNotIn("===", done.stdout)


if __name__ == "__main__":
    unittest.main()
