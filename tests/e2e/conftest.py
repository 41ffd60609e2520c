# Machinery of the end-to-end table, started by tests/run-wine.sh (which starts the display and boots the
# base prefix): a copy of that prefix per sequence of rows, and the in-Wine driver.
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import time

import pytest

WINE, WINESERVER = os.environ['WINE'], os.environ['WINESERVER']
BUILD = pathlib.Path(os.environ['TSY_WIN_BUILD'])
TMP = pathlib.Path(os.environ['TSY_E2E_TMP'])
DRIVER = r'C:\e2e\driver.exe'


def setup_failed(why):  # a failed set-up step makes every later result meaningless
    pytest.exit('set-up failed: ' + why, returncode=2)


def eventually(cond, limit=30):  # polls cond: True once it holds, False when the limit has passed
    end = time.monotonic() + limit
    while not cond() and time.monotonic() < end:
        time.sleep(0.1)
    return bool(cond())


class Prefix:
    def __init__(self, path, env):
        self.path, self.drive = path, path / 'drive_c'
        self.env = dict(env, WINEPREFIX=str(path))
        self.f, self.ran = {}, set()

    def unix(self, win):
        """The Linux path of C:\\..., each existing part matched regardless of case, as Wine does."""
        p = self.drive
        for part in filter(None, win[3:].split('\\')):
            hit = [c for c in os.listdir(p) if c.lower() == part.lower()] if p.is_dir() else []
            p = p / (part if part in hit or not hit else hit[0])
        return p

    def wine(self, *args, timeout=120):
        # Output through a file, not a pipe: Wine's services started on the way keep a pipe open.
        with tempfile.TemporaryFile() as out:
            subprocess.run([WINE, *args], env=self.env, stdout=out, stderr=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            return out.read()

    def look(self, *items):
        out = self.wine(DRIVER, 'look', *items).decode('utf-8', 'replace')
        return {k: v[1:] if v[:1] == '=' else None
                for k, v in (r.split('\x1f', 1) for r in out.split('\x1e') if '\x1f' in r)}

    def start(self, cmd, folder=r'C:\Kit', answers='', close_on=''):
        (self.drive / 'e2e' / 'boxes').unlink(missing_ok=True)
        with open(self.path / 'driver.out', 'wb') as out, open(self.path / 'trace', 'wb') as trace:
            return subprocess.Popen([WINE, DRIVER, 'run', folder, r'C:\e2e\boxes', answers, close_on, cmd],
                                    env=dict(self.env, WINEDEBUG='-all,+process'), stdout=out, stderr=trace)

    def traced(self):  # every process the run started, as Wine saw it
        text = (self.path / 'trace').read_text('utf-8', 'replace')  # \\ for \, \XXXX for any other letter
        text = re.sub(r'\\(\\|[0-9a-f]{4}|.)', lambda m: chr(int(m[1], 16)) if len(m[1]) == 4 else m[1], text)
        return re.findall(r':CreateProcessInternalW app (.*)', text)

    def boxes(self):
        f = self.drive / 'e2e' / 'boxes'
        data = f.read_bytes().decode('utf-8', 'replace') if f.exists() else ''
        return [tuple(r.split('\x1f')) for r in data.split('\x1e') if '\x1f' in r]  # title, text, buttons, icon

    def xdotool(self, *args):
        return subprocess.run(['xdotool', *args], env=self.env, capture_output=True, text=True, timeout=60).stdout

    def visible(self, title):
        return (self.xdotool('search', '--onlyvisible', '--name', title).split() or [None])[0]

    def end(self):
        subprocess.run([WINESERVER, '-k'], env=self.env, capture_output=True)


class World:
    """The booted base prefix and the prefix of the sequence now running."""

    def __init__(self):
        self.base = Prefix(TMP / ('base-' + os.environ['TSY_WIN_ARCH']), os.environ)
        (self.base.path / 'system.reg').exists() or setup_failed(f'no booted prefix in {self.base.path}')
        self.seq, self.px = None, None

    def prefix(self, seq):
        if seq != self.seq:
            self.close_prefix()
            # The japanese rows run under code page 932 (a double-byte one, as Chinese and Korean are).
            ja = {'LANG': 'ja_JP.UTF-8', 'LC_ALL': 'ja_JP.UTF-8'} if seq == 'japanese' else {}
            px = Prefix(TMP / seq, dict(self.base.env, **ja))
            shutil.rmtree(px.path, ignore_errors=True)
            subprocess.run(['cp', '-a', str(self.base.path), str(px.path)], check=True)
            shutil.copytree(BUILD / 'kit', px.drive / 'Kit')
            (px.drive / 'e2e').mkdir()
            shutil.copy(BUILD / 'e2e' / 'driver.exe', px.drive / 'e2e')
            # One server for the whole sequence: each run then starts in a fraction of a second.
            subprocess.run([WINESERVER, '-p'], env=px.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            out = px.wine(DRIVER, 'folders').decode()
            px.f = dict(v.split('=', 1) for v in out.splitlines() if '=' in v)
            'pf' in px.f or setup_failed(f'the driver read no folders in {px.path}: {out!r}')
            px.f.update(kit=r'C:\Kit', app=px.f['pf'] + r'\Tessary Contact Management',
                        data=px.f['appdata'] + r'\Tessary Data')
            self.seq, self.px = seq, px
        return self.px

    def close_prefix(self):
        if self.px:
            self.px.end()
            shutil.rmtree(self.px.path, ignore_errors=True)


@pytest.fixture(scope='session')
def world():
    w = World()
    yield w
    w.close_prefix()
