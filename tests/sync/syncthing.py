"""Two real Syncthing instances on 127.0.0.1 that keep two folders in step.

Each instance has a home of its own (temporary), its own GUI/REST and sync
ports, no discovery, relays, NAT traversal or usage reporting; the two devices
know each other by id and share one folder with the watcher's delay at one
second. Both are ended by PID when the pair is closed, at the latest when the
Python process exits.

    with SyncPair(folder_a, folder_b) as pair:
        pair.wait_connected()
        pair.pause()  # the folder, on both sides
        pair.resume()
"""

import atexit
import copy
import json
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import urllib.request
import xml.etree.ElementTree as ET

FOLDER_ID = "velmo-notebook"


class SyncError(Exception):
    pass


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _set(parent, tag, value):
    node = parent.find(tag)
    if node is None:
        node = ET.SubElement(parent, tag)
    node.text = value


class Instance:
    """One Syncthing: its home, ports, device id and REST key."""

    def __init__(self, name, folder, root):
        self.name = name
        self.folder = os.path.abspath(folder)
        self.home = os.path.join(root, name)
        self.log = os.path.join(root, name + ".log")
        self.gui_port = free_port()
        self.sync_port = free_port()
        self.process = None
        subprocess.run(["syncthing", "generate", "--home=" + self.home, "--no-default-folder"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        self.config_path = os.path.join(self.home, "config.xml")
        self.tree = ET.parse(self.config_path)
        root_node = self.tree.getroot()
        self.device_id = root_node.find("device").get("id")
        self.api_key = root_node.find("gui/apikey").text

    def configure(self, peer):
        root = self.tree.getroot()
        gui = root.find("gui")
        gui.set("tls", "false")
        _set(gui, "address", "127.0.0.1:%d" % self.gui_port)
        options = root.find("options")
        for tag, value in (("listenAddress", "tcp://127.0.0.1:%d" % self.sync_port),
                           ("globalAnnounceEnabled", "false"), ("localAnnounceEnabled", "false"),
                           ("relaysEnabled", "false"), ("natEnabled", "false"),
                           ("urAccepted", "-1"), ("startBrowser", "false"),
                           ("autoUpgradeIntervalH", "0"), ("crashReportingEnabled", "false"),
                           ("setLowPriority", "false"), ("reconnectionIntervalS", "1")):
            _set(options, tag, value)
        device = ET.SubElement(root, "device", {"id": peer.device_id, "name": peer.name,
                                                "compression": "metadata", "introducer": "false"})
        _set(device, "address", "tcp://127.0.0.1:%d" % peer.sync_port)
        # The folder as a user would add it: Syncthing's defaults (conflict
        # copies kept, and so on), the watcher's delay at one second.
        folder = copy.deepcopy(root.find("defaults/folder"))
        folder.attrib.update({"id": FOLDER_ID, "label": "notebook", "path": self.folder,
                              "type": "sendreceive", "fsWatcherEnabled": "true", "fsWatcherDelayS": "1"})
        for node in folder.findall("device"):
            folder.remove(node)
        for member in (self.device_id, peer.device_id):
            ET.SubElement(folder, "device", {"id": member, "introducedBy": ""})
        root.insert(0, folder)
        # A fresh folder gets its marker here, so Syncthing does not refuse it.
        os.makedirs(os.path.join(self.folder, ".stfolder"), exist_ok=True)
        self.tree.write(self.config_path)

    def start(self):
        env = dict(os.environ, STNODEFAULTFOLDER="1", STNOUPGRADE="1")
        env.pop("STGUIADDRESS", None)
        self.process = subprocess.Popen(
            ["syncthing", "serve", "--home=" + self.home, "--no-browser", "--no-restart",
             "--logfile=" + self.log],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)

    def stop(self):
        if self.process is None:
            return
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)
        self.process = None

    def rest(self, method, path, body=None, timeout=5):
        data = json.dumps(body).encode() if body is not None else None
        request = urllib.request.Request("http://127.0.0.1:%d%s" % (self.gui_port, path), data=data,
                                         method=method, headers={"X-API-Key": self.api_key,
                                                                 "Content-Type": "application/json"})
        with urllib.request.urlopen(request, timeout=timeout) as answer:
            text = answer.read()
        return json.loads(text) if text.strip() else None

    def answers(self):
        try:
            return self.rest("GET", "/rest/system/ping") == {"ping": "pong"}
        except OSError:
            return False

    def connected_to(self, peer):
        try:
            state = self.rest("GET", "/rest/system/connections")["connections"].get(peer.device_id, {})
        except OSError:
            return False
        return bool(state.get("connected"))

    def folder_state(self):
        try:
            return self.rest("GET", "/rest/db/status?folder=" + FOLDER_ID)
        except OSError:
            return {}

    def peer_completion(self, peer):
        try:
            return self.rest("GET", "/rest/db/completion?folder=%s&device=%s" % (FOLDER_ID, peer.device_id))
        except OSError:
            return {}

    def set_paused(self, paused):
        self.rest("PATCH", "/rest/config/folders/" + FOLDER_ID, {"paused": paused})

    def log_tail(self, lines=30):
        try:
            with open(self.log, errors="replace") as f:
                return "".join(f.readlines()[-lines:])
        except OSError:
            return ""


_open_pairs = []


@atexit.register
def _stop_open_pairs():
    for pair in list(_open_pairs):
        pair.close()


class SyncPair:
    """Two Syncthing instances sharing folder_a and folder_b."""

    def __init__(self, folder_a, folder_b):
        self.root = tempfile.mkdtemp(prefix="velmo-syncthing-")
        self.a = Instance("A", folder_a, self.root)
        self.b = Instance("B", folder_b, self.root)
        self.a.configure(self.b)
        self.b.configure(self.a)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    def start(self):
        _open_pairs.append(self)
        try:
            self.a.start()
            self.b.start()
            self._wait(lambda: self.a.answers() and self.b.answers(), "both REST APIs", 30)
        except BaseException:
            self.close()
            raise
        return self

    def close(self):
        for instance in (self.a, self.b):
            instance.stop()
        if self in _open_pairs:
            _open_pairs.remove(self)
            if not os.environ.get("VELMO_KEEP_SYNCTHING"):
                shutil.rmtree(self.root, ignore_errors=True)

    def _wait(self, probe, what, timeout):
        end = time.monotonic() + timeout
        while not probe():
            for instance in (self.a, self.b):
                if instance.process is not None and instance.process.poll() is not None:
                    raise SyncError("Syncthing %s ended (status %s) while waiting for %s:\n%s"
                                    % (instance.name, instance.process.returncode, what, instance.log_tail()))
            if time.monotonic() > end:
                raise SyncError("timed out after %g s waiting for %s\nA:\n%s\nB:\n%s"
                                % (timeout, what, self.a.log_tail(), self.b.log_tail()))
            time.sleep(0.1)

    def wait_connected(self, timeout=40):
        self._wait(lambda: self.a.connected_to(self.b) and self.b.connected_to(self.a),
                   "the two devices to connect", timeout)

    def in_step(self):
        """Both sides idle with nothing left to pull, each complete for the
        other, both seeing the same global folder and holding all of it."""
        states = {}
        for here, there in ((self.a, self.b), (self.b, self.a)):
            state = here.folder_state()
            if state.get("state") != "idle" or state.get("needTotalItems", 1) != 0:
                return False
            if (state.get("globalFiles"), state.get("globalBytes")) != (state.get("localFiles"), state.get("localBytes")):
                return False
            if here.peer_completion(there).get("completion") != 100:
                return False
            states[here.name] = (state.get("globalFiles"), state.get("globalBytes"), state.get("globalDeleted"))
        return states["A"] == states["B"]

    def wait_in_step(self, timeout=30, settle=2.5):
        """Waits until both folders are in step and stay so for settle
        seconds: longer than the watcher's delay, so a change just written
        has been seen."""
        end = time.monotonic() + timeout
        while True:
            self._wait(self.in_step, "both folders to be in step", max(1.0, end - time.monotonic()))
            time.sleep(settle)
            if self.in_step():
                return
            if time.monotonic() > end:
                raise SyncError("the folders did not stay in step for %g s" % settle)

    def pause(self):
        for instance in (self.a, self.b):
            instance.set_paused(True)
        self._wait(lambda: all(i.folder_state().get("state") in ("paused", "") or
                               i.rest("GET", "/rest/config/folders/" + FOLDER_ID).get("paused")
                               for i in (self.a, self.b)), "the folder to pause", 15)

    def resume(self):
        for instance in (self.a, self.b):
            instance.set_paused(False)
        self._wait(lambda: not any(i.rest("GET", "/rest/config/folders/" + FOLDER_ID).get("paused")
                                   for i in (self.a, self.b)), "the folder to resume", 15)
