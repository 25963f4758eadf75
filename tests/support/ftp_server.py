#!/usr/bin/python3
"""FTP server for the tests: pyftpdlib over a given root folder on 127.0.0.1.

Run with Debian's interpreter (/usr/bin/python3), which has pyftpdlib. It binds a
free port, writes "PORT <n>" as the first line on stdout and serves until it is
killed or its stdin reaches end of file (the test program holds the other end, so
the server never outlives it). Everything else goes to stderr, which the test
program sends to a log file.

Besides plain FTP it can greet with a given text, list folders in MS-DOS form,
throttle data transfers and drop the control connection:
  --drop-on CMD         close the control connection, without a reply, when the
                        command CMD arrives (repeatable; e.g. LIST, PASV, RETR)
  --drop-after CMD      carry out the command CMD, then close the control
                        connection instead of sending its final reply
                        (repeatable; e.g. STOR, RNFR, RNTO, DELE, SITE CHMOD);
                        a STOR is carried out once its data has arrived whole
  --drops N             close it so at most N times in all (0, the default:
                        every time)
  --refuse CMD          answer the command CMD with "550 Not enough privileges."
                        without carrying it out (repeatable)
  --refusals N          refuse so at most N times in all (0: every time)
  --quota BYTES         the files of the root may hold this many bytes in all; a
                        STOR beyond it keeps what fits and answers "552 Disk quota
                        exceeded." once the client has sent everything
  --hide-dot-files      a plain LIST leaves out names beginning with "." and
                        "LIST -a" shows them, "." and ".." too, as vsftpd and
                        many other servers do
  --refuse-list-options LIST with an option ("LIST -a") is refused with 501, as
                        servers that take no options do
A few names act as triggers on every server, so one server serves every test:
  drop-connection*      any command naming such a file or folder (CWD, RETR,
                        STOR, LIST, DELE, ...) closes the control connection
                        without a reply
  drop-transfer*        RETR of such a file sends its first half on the data
                        connection, then closes both connections without "226"
  stall-transfer*       RETR of such a file sends its first half, then nothing
                        more, holding both connections open
  drop-upload*          STOR to such a name keeps the first bytes that arrive,
                        then closes both connections without "226"
  drop-on-rename*       RNFR or RNTO naming such a file closes the control
                        connection without a reply (and without renaming)
  refuse-overwrite*     RNTO onto such a name that exists is refused with 550,
                        as servers that never replace a file on rename do
  refuse-chmod*         SITE CHMOD of such a file is refused with 550
  " strip-space*"       RNFR and RNTO lose the leading blanks of such a name,
                        as a server that trims its arguments does
  vanish-upload*        STOR to such a name is stored, answered 226, then removed
                        (an upload hook that quarantines it)
  short-store*          STOR to such a name keeps only the first third of what
                        arrived, though it answers 226 (a data connection that
                        ended early but cleanly)
  " trim-store*"        STOR to such a name stores it without its leading blanks
  refuse-list*          LIST of a folder that holds such an entry is refused with
                        "550 Listing refused.", while commands in it still work
A file without read bits is refused on RETR ("550 Permission denied."), as a server
not run by root refuses it.
"""

import argparse
import logging
import os
import stat
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

DROP_CONNECTION = "drop-connection"
DROP_TRANSFER = "drop-transfer"
STALL_TRANSFER = "stall-transfer"
DROP_UPLOAD = "drop-upload"
DROP_ON_RENAME = "drop-on-rename"
REFUSE_OVERWRITE = "refuse-overwrite"
REFUSE_CHMOD = "refuse-chmod"
STRIP_SPACE = "strip-space"
REFUSE_LIST = "refuse-list"
VANISH_UPLOAD = "vanish-upload"
SHORT_STORE = "short-store"
TRIM_STORE = "trim-store"
FULL_PERMISSIONS = "elradfmwMT"
READ_ONLY_PERMISSIONS = "elr"


def marked(path, marker):
    """True when the last component of a command argument starts with marker."""
    if not path:
        return False
    return os.path.basename(path.rstrip("/")).startswith(marker)


class MsDosFilesystem(AbstractedFS):
    """Lists folders the way Microsoft's FTP service does in its MS-DOS style."""

    def format_list(self, basedir, listing, ignore_err=True):
        for basename in listing:
            try:
                st = self.stat(os.path.join(basedir, basename))
            except OSError:
                if ignore_err:
                    continue
                raise
            t = time.gmtime(st.st_mtime)
            # Built by hand: %p would follow the process locale.
            hour12 = t.tm_hour % 12 or 12
            half = "AM" if t.tm_hour < 12 else "PM"
            stamp = "%02d-%02d-%02d  %02d:%02d%s" % (
                t.tm_mon, t.tm_mday, t.tm_year % 100, hour12, t.tm_min, half)
            if stat.S_ISDIR(st.st_mode):
                line = "%s       <DIR>          %s\r\n" % (stamp, basename)
            else:
                line = "%s %20d %s\r\n" % (stamp, st.st_size, basename)
            yield line.encode("utf8", self.cmd_channel.unicode_errors)


class TestDTPHandler(ThrottledDTPHandler):
    """Data channel that can be throttled and can take the control channel down."""

    def close_when_done(self):
        if getattr(self.cmd_channel, "stall_transfer", False):
            return  # what was pushed goes out, then the channel just stays silent
        super().close_when_done()

    over_quota = False

    def handle_read(self):
        super().handle_read()
        quota = getattr(self.cmd_channel, "quota", 0)
        if quota and self.file_obj is not None and not self.file_obj.closed:
            self.file_obj.flush()
            root = self.cmd_channel.fs.root
            mine = os.path.realpath(self.file_obj.name)
            others = 0
            for folder, _, names in os.walk(root):
                for name in names:
                    path = os.path.join(folder, name)
                    if os.path.realpath(path) != mine and os.path.isfile(path):
                        others += os.path.getsize(path)
            allowed = max(quota - others, 0)
            if self.file_obj.tell() > allowed:
                self.file_obj.truncate(allowed)
                self.file_obj.seek(allowed)
                self.over_quota = True
        if getattr(self.cmd_channel, "drop_upload", False) and self.tot_bytes_received > 0 \
                and not self._closed:
            self.file_obj.flush()
            self.cmd_channel.drop_after_transfer = True
            self.close()

    handle_read_event = handle_read  # the base class binds its own under this name

    def handle_close(self):
        if self.over_quota and not self._closed:
            self._resp = ("552 Disk quota exceeded.", logging.info)
            self.close()
            return
        super().handle_close()

    def close(self):
        drop = not self._closed and getattr(self.cmd_channel, "drop_after_transfer", False)
        if drop:
            self._resp = ()  # no "226": the client must see a broken transfer
        super().close()
        if drop:
            self.log("dropping the control connection after a partial transfer")
            self.cmd_channel.close()


class TestHandler(FTPHandler):
    dtp_handler = TestDTPHandler
    # Names go out as the bytes they have on disk, valid UTF-8 or not.
    unicode_errors = "surrogateescape"
    drop_commands = frozenset()
    drop_after_commands = frozenset()
    drops_left = None  # None: no limit
    refuse_commands = frozenset()
    refusals_left = None
    quota = 0
    drop_after_reply = False
    drop_after_transfer = False
    stall_transfer = False
    drop_upload = False
    hide_dot_files = False
    refuse_list_options = False
    list_all = False  # the LIST being answered asked for hidden names ("-a")
    # Refused logins answer at once: tests of wrong passwords need no 3 s pause.
    auth_failed_timeout = 0

    def handle(self):
        # Always one line, so the client sees exactly "220 <banner>".
        self.on_connect()
        if not self._closed and not self._closing:
            self.respond("220 %s" % self.banner)

    def pre_process_command(self, line, cmd, arg):
        renaming = cmd in ("RNFR", "RNTO")
        # pyftpdlib joins "SITE" and its word only after this point.
        named = "SITE " + arg.split(" ", 1)[0].upper() if cmd == "SITE" and arg else cmd
        if named in self.drop_commands or marked(arg, DROP_CONNECTION) \
                or (renaming and marked(arg, DROP_ON_RENAME)):
            self.log("<- %s: dropping the control connection" % cmd)
            self.close()
            return
        if named in self.refuse_commands and TestHandler.refusals_left != 0:
            if TestHandler.refusals_left is not None:
                TestHandler.refusals_left -= 1
            self.log("<- %s: refused" % cmd)
            if cmd == "RNFR":
                self._rnfr = None
            self.respond("550 Not enough privileges.")
            return
        if named in self.drop_after_commands and TestHandler.drops_left != 0:
            if TestHandler.drops_left is not None:
                TestHandler.drops_left -= 1
            self.drop_after_reply = True
        if cmd == "LIST":
            option = arg.split(" ", 1)[0] if arg.startswith("-") else ""
            if option and self.refuse_list_options:
                self.respond("501 Unknown LIST option.")
                return
            self.list_all = "a" in option
        if renaming and arg.startswith(" ") and arg.lstrip().startswith(STRIP_SPACE):
            arg = arg.lstrip()
            line = "%s %s" % (cmd, arg)
        super().pre_process_command(line, cmd, arg)

    def ftp_LIST(self, path):
        try:
            refused = os.path.isdir(path) and any(
                name.startswith(REFUSE_LIST) for name in os.listdir(path))
        except OSError:
            refused = False
        if refused:
            self.respond("550 Listing refused.")
            return None
        if not self.hide_dot_files:
            return super().ftp_LIST(path)
        listdir = self.fs.listdir
        if self.list_all:
            self.fs.listdir = lambda p: [".", ".."] + listdir(p)  # as "ls -a" shows them
        else:
            self.fs.listdir = lambda p: [n for n in listdir(p) if not n.startswith(".")]
        try:
            return super().ftp_LIST(path)
        finally:
            del self.fs.listdir  # the filesystem's own method again

    def respond(self, resp, logfun=logging.debug):
        # A preliminary reply (1xx) still goes out: the command is carried out after it.
        if self.drop_after_reply and not resp.startswith("1"):
            self.drop_after_reply = False
            self.log("-> %s withheld: dropping the control connection after the command" % resp)
            self.close()
            return
        super().respond(resp, logfun=logfun)

    def ftp_RNTO(self, path):
        if marked(path, REFUSE_OVERWRITE) and self.fs.lexists(path):
            self._rnfr = None
            self.respond("550 Will not replace an existing file.")
            return None
        return super().ftp_RNTO(path)

    def ftp_SITE_CHMOD(self, path, mode):
        if marked(path, REFUSE_CHMOD):
            self.respond("550 Changing the mode is not permitted.")
            return None
        return super().ftp_SITE_CHMOD(path, mode)

    def ftp_STOR(self, file, mode='w'):
        self.drop_upload = marked(file, DROP_UPLOAD)
        base = os.path.basename(file)
        if base.startswith(" ") and base.lstrip().startswith(TRIM_STORE):
            file = os.path.join(os.path.dirname(file), base.lstrip())
        return super().ftp_STOR(file, mode)

    def on_file_received(self, file):
        if marked(file, VANISH_UPLOAD):
            os.remove(file)
        elif marked(file, SHORT_STORE):
            with open(file, "r+b") as f:
                f.truncate(os.path.getsize(file) // 3)

    def ftp_RETR(self, file):
        # The tests run as root, who reads every file; a server run by a plain user cannot
        # read one without read bits, and says so.
        try:
            unreadable = os.path.isfile(file) and not (os.stat(file).st_mode & 0o444)
        except OSError:
            unreadable = False
        if unreadable:
            self.respond("550 Permission denied.")
            return None
        self.stall_transfer = marked(file, STALL_TRANSFER)
        if not marked(file, DROP_TRANSFER) and not self.stall_transfer:
            return super().ftp_RETR(file)
        try:
            with open(file, "rb") as f:
                data = f.read()
        except OSError as err:
            self.respond("550 %s." % err.strerror)
            return None
        self.drop_after_transfer = not self.stall_transfer
        self.push_dtp_data(data[: len(data) // 2], isproducer=False, cmd="RETR")
        return file


def watch_stdin():
    """Ends the server when the test program that started it goes away."""
    try:
        while sys.stdin.buffer.read(4096):
            pass
    finally:
        os._exit(0)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True, help="folder served as /")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--read-only-user")
    parser.add_argument("--read-only-password")
    parser.add_argument("--greeting", help="text after \"220 \" in the greeting")
    parser.add_argument("--msdos", action="store_true", help="list in MS-DOS style")
    parser.add_argument("--throttle", type=int, default=0,
                        help="data transfer limit in bytes per second (0: none)")
    parser.add_argument("--drop-on", action="append", default=[], metavar="CMD")
    parser.add_argument("--drop-after", action="append", default=[], metavar="CMD")
    parser.add_argument("--drops", type=int, default=0)
    parser.add_argument("--refuse", action="append", default=[], metavar="CMD")
    parser.add_argument("--refusals", type=int, default=0)
    parser.add_argument("--quota", type=int, default=0)
    parser.add_argument("--hide-dot-files", action="store_true")
    parser.add_argument("--refuse-list-options", action="store_true")
    args = parser.parse_args()

    logging.basicConfig(stream=sys.stderr, level=logging.INFO,
                        format="[%(asctime)s] %(message)s")

    root = os.path.realpath(args.root)
    if not os.path.isdir(root):
        parser.error("root folder %s does not exist" % root)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, root, perm=FULL_PERMISSIONS)
    if args.read_only_user:
        authorizer.add_user(args.read_only_user, args.read_only_password or "", root,
                            perm=READ_ONLY_PERMISSIONS)

    TestHandler.authorizer = authorizer
    if args.greeting is not None:
        TestHandler.banner = args.greeting
    if args.msdos:
        TestHandler.abstracted_fs = MsDosFilesystem
    TestHandler.drop_commands = frozenset(c.upper() for c in args.drop_on)
    TestHandler.drop_after_commands = frozenset(c.upper() for c in args.drop_after)
    TestHandler.drops_left = args.drops if args.drops > 0 else None
    TestHandler.refuse_commands = frozenset(c.upper() for c in args.refuse)
    TestHandler.refusals_left = args.refusals if args.refusals > 0 else None
    TestHandler.quota = args.quota
    TestHandler.hide_dot_files = args.hide_dot_files
    TestHandler.refuse_list_options = args.refuse_list_options
    TestDTPHandler.read_limit = args.throttle
    TestDTPHandler.write_limit = args.throttle

    server = FTPServer(("127.0.0.1", 0), TestHandler)
    port = server.socket.getsockname()[1]
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()

    threading.Thread(target=watch_stdin, daemon=True).start()
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
