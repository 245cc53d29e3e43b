#!/usr/bin/python3
"""The real program on a database that a real Samba server shares, with a real SMB2 client.

Starts a private smbd (its own configuration, folders and port on 127.0.0.1), the way an
administrator starts one, and a client (python3-impacket) that opens files and takes byte-range
locks as a Windows workstation running Jet does. Drives the program through its terminal
front-end and checks, from outside, what it shows and that a refused database is unchanged byte
for byte. The program finds the smbd by itself. Usage: samba_test.py UPGRADE405 MAKE_SAMPLE_MDB.
Exits 77 (skipped) when it cannot run an smbd here, saying why.
"""
import ctypes
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

SKIP = 77
PRESS = "enter\n\nclose\n"
IN_USE = "est déjà utilisée par un autre utilisateur ou processus"
CLIENT = "« 127.0.0.1 » (utilisateur « root »)"
DONE = "Text: Mise à jour effetuée."
NOT_FOUND = "Text: Base de donnée non trouvée dans :"
failures = []
started = time.monotonic()


def skip(why):
    print("SKIPPED: " + why)
    sys.exit(SKIP)


def check(condition, what, detail=""):
    print("%s [%5.1f s] %s" % ("ok  " if condition else "FAIL", time.monotonic() - started, what))
    if not condition:
        failures.append(what)
        if detail:
            print("     " + detail.replace("\n", "\n     "))


try:
    from impacket import smb3structs as smb2
    from impacket.smb3 import SessionError
    from impacket.smbconnection import SMBConnection
except ImportError:
    skip("python3-impacket is not installed")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


CONFIG = """[global]
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = {port}
  disable netbios = yes
  server role = standalone server
  lock directory = {root}/lock
  state directory = {root}/state
  cache directory = {root}/cache
  pid directory = {root}/pid
  private dir = {root}/private
  ncalrpc dir = {root}/lock/ncalrpc
  passdb backend = tdbsam:{root}/private/passdb.tdb
  log file = {root}/log
  load printers = no
  printcap name = /dev/null
  disable spoolss = yes
  map to guest = never
[plain]
  path = {root}/plain
  read only = no
  kernel oplocks = no
[kernel]
  path = {root}/kernel
  read only = no
  kernel oplocks = yes
"""


class Smbd:
    """A private smbd on 127.0.0.1, stopped (with its children) when this process ends."""

    def __init__(self, root):
        self.root, self.port = root, free_port()
        for folder in ("lock", "state", "cache", "pid", "private", "plain", "kernel", "outside"):
            os.makedirs(os.path.join(root, folder))
        self.config = os.path.join(root, "smb.conf")
        with open(self.config, "w") as f:
            f.write(CONFIG.format(port=self.port, root=root))
        subprocess.run(["smbpasswd", "-c", self.config, "-s", "-a", "root"], input="pw\npw\n",
                       text=True, check=True, capture_output=True)
        libc = ctypes.CDLL(None, use_errno=True)
        # PR_SET_PDEATHSIG: a test killed on its time limit takes its smbd with it.
        self.process = subprocess.Popen(
            ["smbd", "-s", self.config, "--foreground", "--no-process-group"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True,
            preexec_fn=lambda: libc.prctl(1, signal.SIGTERM))
        self.wait_listening()

    def wait_listening(self):
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise RuntimeError("smbd ended at once; see " + self.root + "/log")
            try:
                socket.create_connection(("127.0.0.1", self.port), 1).close()
                return
            except OSError:
                time.sleep(0.1)
        raise RuntimeError("smbd does not listen on port %d" % self.port)

    def stop(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()


class Workstation:
    """An SMB2 client of one share, holding files open and locked as Jet on Windows does."""

    def __init__(self, smbd, share):
        self.conn = SMBConnection("127.0.0.1", "127.0.0.1", sess_port=smbd.port, timeout=10)
        self.conn.login("root", "pw")
        self.smb = self.conn.getSMBServer()
        self.tree = self.conn.connectTree(share)

    def open(self, name, share_mode=smb2.FILE_SHARE_READ | smb2.FILE_SHARE_WRITE,
             oplock=smb2.SMB2_OPLOCK_LEVEL_NONE):
        return self.smb.create(self.tree, name, smb2.FILE_READ_DATA | smb2.FILE_WRITE_DATA,
                               share_mode, 0, smb2.FILE_OPEN_IF, 0, oplockLevel=oplock)

    def lock(self, fid, offset, length, flags=smb2.SMB2_LOCKFLAG_EXCLUSIVE_LOCK):
        """An SMB2 LOCK of one range, without waiting; its NT status."""
        # impacket 0.10's own lock() joins str() of the elements, which Python 3 breaks.
        request = smb2.SMB2Lock()
        request["FileID"], request["LockCount"], request["LockSequence"] = fid, 1, 0
        flags |= smb2.SMB2_LOCKFLAG_FAIL_IMMEDIATELY
        request["Locks"] = struct.pack("<QQII", offset, length, flags, 0)
        packet = self.smb.SMB_PACKET()
        packet["Command"], packet["TreeID"], packet["Data"] = smb2.SMB2_LOCK, self.tree, request
        return self.smb.recvSMB(self.smb.sendSMB(packet))["Status"]

    def write(self, fid, data, offset):
        try:
            self.smb.write(self.tree, fid, data, offset, len(data))
            return 0
        except SessionError as e:
            return e.get_error_code()

    def leave(self):
        try:
            self.conn.close()
        except Exception:  # a session the server dropped is gone all the same
            pass


def run_program(exe, db):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    argv = [exe, "/db=" + db]
    r = subprocess.run(argv, input=PRESS, text=True, capture_output=True, env=env, timeout=30)
    return r.stdout + r.stderr


def make_db(tool, path):
    for p in (path, path[:-4] + ".ldb"):
        if os.path.exists(p):
            os.remove(p)
    subprocess.run([tool, path, "--rows", "50"], check=True, capture_output=True)
    os.chmod(path, 0o666)
    with open(path, "rb") as f:
        return f.read()


def unchanged(path, before):
    with open(path, "rb") as f:
        return f.read() == before


def refused_rows(exe, tool, smbd):
    """Each way a workstation holds the database: refused, unchanged, the client named."""
    batch = smb2.SMB2_OPLOCK_LEVEL_BATCH
    rows = [
        ("lock on NUV.ldb at 0x10000001", "plain", "NUV.ldb", {}, 0x10000001),
        ("lock on NUV.MDB at 0x10000000", "plain", "NUV.MDB", {}, 0x10000000),
        ("lock on the whole range of NUV.ldb", "plain", "NUV.ldb", {}, (0, 2**64 - 1)),
        ("NUV.MDB open, no lock", "plain", "NUV.MDB", {}, None),
        ("kernel oplocks: batch oplock and a lock on NUV.ldb", "kernel", "NUV.ldb",
         {"oplock": batch}, 0x10000001),
    ]
    # Each row its own database: a file a client held under a lease cannot be removed until
    # the server has let the lease go.
    for k, (what, share, name, how, lock) in enumerate(rows):
        db = os.path.join(smbd.root, share, "NUV%d.MDB" % k)
        before = make_db(tool, db)
        client = Workstation(smbd, share)
        fid = client.open(name.replace("NUV", "NUV%d" % k), **how)
        if lock is not None:
            offset, length = lock if isinstance(lock, tuple) else (lock, 1)
            check(client.lock(fid, offset, length) == 0, what + ": the client holds its lock")
        out = run_program(exe, db)
        check(IN_USE in out and CLIENT in out and unchanged(db, before),
              what + ": refused, unchanged, the client named", out)
        client.leave()
    # An exclusive open and a leased database are exclusive holders: the open is refused, as for
    # a local exclusive holder, at once (no wait for a lease to be broken).
    # So is a lock on the whole range, which the server's kernel shows as 0 to 2^63 - 2.
    for what, share, how, whole in [
        ("NUV.MDB open exclusively (deny read and write)", "plain", {"share_mode": 0}, False),
        ("kernel oplocks: batch oplock on NUV.MDB", "kernel", {"oplock": batch}, False),
        ("a lock on the whole range of NUV.MDB", "plain", {}, True),
    ]:
        db = os.path.join(smbd.root, share, "EXCL%d.MDB" % whole)
        before = make_db(tool, db)
        client = Workstation(smbd, share)
        fid = client.open(os.path.basename(db), **how)
        if whole:
            check(client.lock(fid, 0, 2**64 - 1) == 0, what + ": the client holds its lock")
        out = run_program(exe, db)
        client.leave()  # before the file is read here: a read would wait for a lease's break
        check(NOT_FOUND in out and unchanged(db, before), what + ": not opened, unchanged", out)


def goes_through(exe, tool, smbd):
    plain = os.path.join(smbd.root, "plain", "NUV.MDB")
    make_db(tool, plain)
    check(DONE in run_program(exe, plain), "no client: the upgrade goes through")
    before = make_db(tool, plain)
    client = Workstation(smbd, "plain")
    fid = client.open("NUV.ldb")
    client.lock(fid, 0x10000001, 1)
    out = run_program(exe, plain)
    check(IN_USE in out and unchanged(plain, before), "a client holds it: refused", out)
    client.leave()
    time.sleep(0.5)  # the server closes the session's files
    out = run_program(exe, plain)
    check(DONE in out, "the client gone: the upgrade goes through", out)
    outside = os.path.join(smbd.root, "outside", "NUV.MDB")
    make_db(tool, outside)
    client = Workstation(smbd, "plain")
    client.open("NUV.MDB")
    out = run_program(exe, outside)
    check(DONE in out, "a file outside the shares, Samba running: the upgrade goes through", out)
    client.leave()


def reverse_direction(tool, smbd):
    """While the engine's lock is held (an OFD write lock on the whole file, as a statement
    takes it), a client's lock and write are refused."""
    plain = os.path.join(smbd.root, "plain", "NUV.MDB")
    make_db(tool, plain)
    fd = os.open(plain, os.O_RDWR)
    import fcntl
    fcntl.fcntl(fd, fcntl.F_OFD_SETLK, struct.pack("hhqqi", fcntl.F_WRLCK, 0, 0, 0, 0) + b"\0" * 4)
    client = Workstation(smbd, "plain")
    fid = client.open("NUV.MDB")
    check(client.lock(fid, 0x10000000, 1) == 0xC0000055, "our lock held: a client's lock is "
          "not granted")
    check(client.write(fid, b"x", 0) == 0xC0000054, "our lock held: a client's write conflicts")
    client.leave()
    os.close(fd)


def cannot_ask(exe, tool, smbd):
    """Samba shares the file but its status tool fails (its databases are out of reach, as for
    a user who is not root): no change, and why."""
    plain = os.path.join(smbd.root, "plain", "NUV.MDB")
    before = make_db(tool, plain)
    lock = os.path.join(smbd.root, "lock")
    os.rename(lock, lock + ".away")
    try:
        with open(lock, "w"):  # a file where its folder should be: its databases cannot open
            pass
        out = run_program(exe, plain)
    finally:
        os.remove(lock)
        os.rename(lock + ".away", lock)
    check("Impossible de savoir si un poste de travail" in out and "administrateur" in out and
          unchanged(plain, before), "Samba cannot be asked: refused with what to do", out)


def main():
    exe, tool = sys.argv[1], sys.argv[2]
    if os.geteuid() != 0:
        skip("smbd needs root to serve files as its users; this test runs as uid %d"
             % os.geteuid())
    for program in ("smbd", "smbpasswd", "smbstatus", "testparm"):
        if shutil.which(program, path=os.environ.get("PATH", "") + ":/usr/sbin") is None:
            skip(program + " is not installed (Debian package samba)")
    os.environ["PATH"] = os.environ.get("PATH", "") + ":/usr/sbin"
    root = tempfile.mkdtemp(prefix="upgrade405-samba-")
    os.chmod(root, 0o755)
    smbd = None
    try:
        smbd = Smbd(root)
        for folder in ("plain", "kernel", "outside"):
            os.chmod(os.path.join(root, folder), 0o777)
        refused_rows(exe, tool, smbd)
        goes_through(exe, tool, smbd)
        reverse_direction(tool, smbd)
        cannot_ask(exe, tool, smbd)
    finally:
        if smbd is not None:
            smbd.stop()
        shutil.rmtree(root, ignore_errors=True)
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
