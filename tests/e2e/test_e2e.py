# The real kit under Wine, one row a run of the setup: arrange, command line or wizard keys, what Windows and the
# setup show. Rows of a sequence run in order in one prefix (a row run alone runs its sequence so far first,
# unchecked; each refusal leaves the prefix as it found it); {app}, {sys}, {win}, {data}... are read from it.
import os
import re
import shutil
import subprocess
import time

import pytest
from conftest import BUILD, DRIVER, eventually

P, DB, DBU = ('{9F8C9A12-6868-44D8-B9CE-12E403B3BD63}', '{D20CF633-A2EE-42F9-84DB-D1FA05CF8C42}',
              '{91204651-EA8A-40F3-B15C-93B864B7FF1B}')
SETTINGS = r'HKCU\Software\VB and VBA Program Settings\TSYPRO_3\StartUp'
WIZARD = 'Tessary Contact Management (Install|Update) Wizard'
EDGE = 'C:\\Edge' + '\\folder-abcdefghijklmnopq' * 9 + '\\' + 'x' * 12  # Update.exe fits MAX_PATH, packages not
LONG = {'AppPath': 'C:\\' + 'a' * 9997, 'DBPath': 'C:\\' + 'd' * 9989 + '\\MainDB\\'}



def failed(path, code=None):  # without a code: the message up to msiexec's code, which varies
    return f'Windows Installer could not complete the installation of:\r{path}\r' + (f'(error {code})' if code else '')


def msi(op, pkg, target, props='ALLUSERS=2  ', ui=' /qn'):
    return f'msiexec.exe {op} "{{kit}}\\{pkg}"{props}TARGETDIR="{target}"{ui}'


CUSTOMER = {r'{data}\MainDB\My Contacts.tdb': 'customer data\r\n'}
JA_DB = 'C:\\予定表\\MainDB\\'
CHOSEN = r'C:\Chosen Folder'
PKG, DB_PKG = r'{kit}\tsy3p.msi', r'{kit}\tsy3db.msi'
CONF, FOLDERS, DONE = '= Configuration Options ', '=Install &Program Files:', '= Installation Completed '
REG = r'HKLM\Software\Morvane Software\Registered' + '\\'
BUSY = ('Another installation is in progress, so Windows Installer could not install:\r{}\r'
        'Please wait until it has finished, then run this setup again.')

ROWS = [
    # --- silent runs, one after the other, with programs planted beside the setup ---------------
    dict(id='install', seq='silent', do=[('plant',)], cmd='Setup.exe S PROGRAM DB OL', exit=0,
         states={P: 5, DB: 5}, settings={'DBPath': r'{data}\MainDB' + '\\', 'EmailForm': '12', 'Ver': '3.3.0'},
         started=[msi('/I', 'tsy3p.msi', '{app}'), msi('/I', 'tsy3db.msi', '{appdata}'),
                  r'{win}\regsvr32.exe /s {sys}\mscomm32.ocx', r'{win}\regsvr32.exe /s {sys}\tsyemail.dll'],
         log=[r'Program file: {win}\msiexec.exe'], never=['vezEdeRu'],
         files=[r'{app}\tsy3.exe', r'{sys}\vezEdeRu.exe', r'{sys}\tsyemail.dll', r'{sys}\mscomm32.ocx',
                r'{data}\MainDB\Contacts.tdb', r'{data}\Documents\Templates\Labels\Address Labels (8160).lbl'],
         registered={'tsyemail.dll': True, 'mscomm32.ocx': True}),
    dict(id='update', seq='silent', do=[('write', CUSTOMER), ('wine', 'reg', 'delete', SETTINGS, '/v', 'DBPath', '/f')],
         pre={SETTINGS + '>DBPath': None}, cmd='Update.exe S PROGRAM DB', exit=1603, states={DBU: 5},
         started=[msi('/famus', 'tsy3p_update.msi', '{app}', ' '), msi('/I', 'tsy3db_update.msi', '{appdata}')],
         boxes=[failed(r'{kit}\tsy3p_update.msi', 1605)], service=['-u', '-i'],
         files=[r'{data}\MainDB\Update 3.3.0.sql', r'{data}\MainDB\Contacts.tdb'], text=CUSTOMER,
         settings={'DBPath': None}),
    dict(id='log-hard-link', seq='silent', do=[('link', r'{temp}\TSY Setup.log', r'{temp}\elsewhere.txt')],
         cmd='Setup.exe S REMOVE PROGRAM DB', exit=0, undo=[('rm', r'{temp}\TSY Setup.log')],
         text={r'{temp}\elsewhere.txt': 'not the log\r\n', r'{temp}\TSY Setup.log': 'not the log\r\n'}),
    dict(id='log-of-another-user', seq='silent', do=[('write', {r'{temp}\TSY Setup.log': 'theirs\r\n'}),
         ('own', r'{temp}\TSY Setup.log', 4242)], cmd='Update.exe s x debug', exit=1639,
         boxes=['Parameter:x\rSorry this is not a valid'], titles=['TSY Setup 1.6.0'], never=['msiexec'],
         shows=('OK*', 'information'), undo=[('rm', r'{temp}\TSY Setup.log')], text={r'{temp}\TSY Setup.log': 'theirs\r\n'}),
    dict(id='cyrillic-folder', seq='silent', do=[('kit', 'C:\\Тест\\Kit')], dir='C:\\Тест\\Kit',
         cmd='Setup.exe S PROGRAM DB', exit=0, states={P: 5, DB: 5}, log=['Program: C:\\Тест\\Kit\\Setup.exe']),
    # A kit at the root of a drive (a CD or a share mapped to a letter): the root keeps its own separator.
    dict(id='install', seq='drive-root', do=[('drive', 'e:')], dir='E:\\', cmd='Setup.exe S PROGRAM DB', exit=0,
         states={P: 5, DB: 5}, log=['Program: E:\\Setup.exe'], started=[msi('/I', 'tsy3p.msi', '{app}').replace('{kit}', 'E:\\')]),
    # --- as a management tool runs it: on a desktop nobody sees; Windows Installer played by a stand-in whose answers
    # are scripted, and which writes down every command line it was given
    dict(id='hidden-desktop', seq='deploy', do=[('hide', PKG, 1)], undo=[('hide', PKG, 0)], answers='@',
         cmd='Setup.exe S PROGRAM', exit=1603, never=['msiexec'], log=['Message box "TSY Setup": SYS_Install: Unable',
         'Answer: OK (not shown: nobody can answer on this desktop)']),
    # On the agent's desktop the shell is asked to show nothing either; the unregistration is waited for, and logged so.
    dict(id='install-on-agent-desktop', seq='deploy', answers='@', cmd='Setup.exe S PROGRAM DB OL', exit=0,
         states={P: 5, DB: 5}, registered={'tsyemail.dll': True, 'mscomm32.ocx': True}),
    dict(id='remove-on-agent-desktop', seq='deploy', answers='@', cmd='Setup.exe S REMOVE PROGRAM DB', exit=0,
         states={P: -1, DB: -1}, registered={'tsyemail.dll': False},
         log=[r'Shell open: {win}\regsvr32.exe /s /u {sys}\tsyemail.dll', '(started, waited for up to 60000 ms: ended with exit code 0)']),
    dict(id='busy-then-free', seq='deploy', do=[('standin', '1618\n0\n')], cmd='Setup.exe S PROGRAM DB', exit=0,
         ran=[msi('/I', 'tsy3p.msi', '{app}')] * 2 + [msi('/I', 'tsy3db.msi', '{appdata}')],
         log=['Decision: Windows Installer is busy with another installation (1618): {kit}\\tsy3p.msi tried again after '
              'a wait of 10 s (wait 1 of 3)']),
    dict(id='busy-throughout', seq='deploy', do=[('standin', '1618\n')], cmd='Setup.exe S PROGRAM DB', exit=1618,
         ran=[msi('/I', 'tsy3p.msi', '{app}')] * 4 + [msi('/I', 'tsy3db.msi', '{appdata}')],
         boxes=[BUSY.format(PKG), BUSY.format(DB_PKG)], log=['after a wait of 30 s (wait 3 of 3)']),
    dict(id='restart-begun', seq='deploy', do=[('standin', '1641\n')], cmd='Setup.exe S PROGRAM DB', exit=1641),
    # --- under code page 932, whose characters' second bytes may be '\' (0x5C) or '|' (0x7C) ------
    dict(id='DBPath', seq='japanese', do=[('set', {'DBPath': JA_DB})], cmd='Setup.exe S DB', exit=0, states={DB: 5},
         settings={'DBPath': JA_DB}, started=[msi('/I', 'tsy3db.msi', 'C:\\予定表')], files=['C:\\予定表\\Tessary Data\\MainDB\\Contacts.tdb']),
    # --- refusals and failures: each row leaves the prefix as it found it ------------------------
    # Nobody can answer in that station: the driver looks for boxes on its desktop too, and finds none.
    dict(id='hidden-package-unattended', seq='refusals', do=[('hide', PKG, 1)], undo=[('hide', PKG, 0)], answers='!',
         cmd='Setup.exe S PROGRAM DB OL', exit=1603, never=['msiexec'], log=['Message box "TSY Setup": SYS_Install: Unable',
         'Answer: OK (not shown: nobody can answer on this desktop)'], states={P: -1}),
    dict(id='truncated-package', seq='refusals', do=[('cut', DB_PKG)], undo=[('uncut', DB_PKG)],
         cmd='Setup.exe S PROGRAM DB', exit=1603, started=[msi('/I', 'tsy3db.msi', '{appdata}')],
         boxes=[failed(DB_PKG)], states={P: 5, DB: -1}),
    dict(id='settings-10000-characters', seq='refusals', do=[('set', LONG)], cmd='Setup.exe S PROGRAM DB',
         exit=1603, boxes=[failed(PKG, 1603), failed(DB_PKG, 1603)], states={P: -1, DB: -1}, settings={'Ver': None}),
    dict(id='deep-folder', seq='refusals', do=[('kit', EDGE)], dir='C:\\', cmd=f'"{EDGE}\\Update.exe" S PROGRAM DB',
         exit=1603, boxes=[f'Unable to open installation package: \r{EDGE}\\tsy3p_update.msi\r'], never=['msiexec'],
         log=[f'Program: {EDGE}\\Update.exe'], states={P: -1, DBU: -1}, files=[EDGE + r'\tsy3p_update.msi']),
    dict(id='wizard-close-message-while-engine-runs', seq='refusals', do=[('cut', DB_PKG)],
         undo=[('uncut', DB_PKG)], keys=['win', 'alt+s', CONF, 'Return'], close_on='could not complete',
         exit=1603, boxes=[failed(DB_PKG)], states={P: 5, DB: -1}, settings={'Ver': '3.3.0'}),
    # --- the wizard by keyboard: install menu, then maintenance -----------------------------------
    # Network Install: the folders panel; the program box ticked twice keeps the focus, Tab selects its text.
    dict(id='bad-folder', seq='wizard', keys=['win', 'alt+n', FOLDERS, 'alt+p', 'alt+p', 'Tab', 'type:C:\\Bad|Name',
         'Return', 'box 1', 'Return', 'box 2', 'Escape'], close_on='not allowed', exit=1602, boxes=['not allowed in Windows Folder Names'] * 2,
         shows=('OK*', 'information'), never=['msiexec'], states={P: -1, DB: -1}),
    dict(id='single-user', seq='wizard', keys=['win', 'alt+s', CONF, 'Return', 'hidden', DONE, 'Return'],
         exit=0, states={P: 5, DB: 5}, files=[r'{app}\tsy3.exe'], settings={'EmailForm': '12'},
         started=[msi('/I', 'tsy3p.msi', '{app}', ui=' /qb-'), msi('/I', 'tsy3db.msi', '{appdata}', ui=' /qb-')],
         window='^Tessary Contact Management$', undo=[('wine', 'taskkill', '/im', 'tsy3.exe')]),
    dict(id='configure', seq='wizard', do=[('wine', 'reg', 'delete', REG + 'tsyemail.dll', '/f')],
         pre={REG + 'tsyemail.dll>Path': None},
         keys=['win', 'alt+c', CONF, 'Return'], exit=0, started=[r'{win}\regsvr32.exe /s {sys}\tsyemail.dll'],
         never=['msiexec'], registered={'tsyemail.dll': True}),
    dict(id='remove', seq='wizard', keys=['win', 'alt+v', '= Uninstall Options ', 'alt+d', 'Return', DONE, 'Return'],
         exit=0, states={P: -1, DB: -1}, gone=[r'{app}\tsy3.exe'], registered={'tsyemail.dll': False}),
    # The database folder chosen in the real folder browser of its "Browse..." button.
    dict(id='network-database-only', seq='wizard', do=[('write', {CHOSEN + r'\readme.txt': 'kept\r\n'})],
         keys=['win', 'alt+n', FOLDERS, 'alt+p', 'Tab', 'space', 'Tab', 'Tab', 'space', '=' + CHOSEN + r'\Tessary Data',
               'alt+f', DONE, 'alt+l', 'Return'], answers=f'f{CHOSEN}|', close_on='Select folder', titles=['Browse for Folder'],
         shows=('Make New Folder OK* Cancel', '-'),
         boxes=["Tessary Contact Management 3.3\r\rSelect folder for Database Installation:  (Note: Will create "
                "'Tessary Data' in the directory you select)"], exit=0, states={DB: 5, P: -1}, never=['tsy3p.msi'],
         started=[msi('/I', 'tsy3db.msi', CHOSEN, ui=' /qb-')], files=[CHOSEN + r'\Tessary Data\MainDB\Contacts.tdb']),
    # Custom by the keyboard alone, both folders (new, below an existing one) typed over the proposed ones.
    dict(id='custom-typed-folders', seq='keyboard', keys=['win', 'alt+c', FOLDERS, 'alt+p', 'alt+p', 'Tab', r'type:C:\TypedApp',
         'Tab', 'Tab', 'Tab', r'type:C:\TypedData', 'Return', CONF, 'Return', DONE, 'alt+l', 'Return'], exit=0,
         states={P: 5, DB: 5}, settings={'DBPath': 'C:\\TypedData\\MainDB\\'}, files=[r'C:\TypedApp\tsy3.exe'],
         started=[msi('/I', 'tsy3p.msi', r'C:\TypedApp', ui=' /qb-'), msi('/I', 'tsy3db.msi', r'C:\TypedData', ui=' /qb-')]),
]


def sub(px, text):
    return re.sub(r'\{([a-z]+)\}', lambda m: px.f.get(m.group(1), m.group(0)), text)


def arrange(px, ops):
    u = lambda p: px.unix(sub(px, p))
    for op, *a in ops:
        if op == 'plant':  # a download folder with more in it than the kit: programs, and a DLL that windows load by
            # name once the setup runs, taken as Windows would take it (not as Wine's builtin of that name)
            for name in ('msiexec.exe', 'regsvr32.exe', 'vezEdeRu.exe'):
                shutil.copy(BUILD / 'e2e' / 'driver.exe', px.drive / 'Kit' / name)
            shutil.copy(BUILD / 'e2e' / 'planted.dll', px.drive / 'Kit' / 'uxtheme.dll')
            px.wine('reg', 'add', r'HKCU\Software\Wine\DllOverrides', '/v', 'uxtheme', '/d', 'native,builtin', '/f')
        elif op == 'set':
            for k, v in a[0].items():
                px.wine('reg', 'add', SETTINGS, '/v', k, '/d', sub(px, v), '/f')
        elif op == 'write':
            for path, text in a[0].items():
                u(path).parent.mkdir(parents=True, exist_ok=True)
                u(path).write_bytes(text.encode('latin-1'))
        elif op == 'drive':  # a drive letter of Wine's on a folder holding the kit
            (px.path / 'dosdevices' / a[0]).symlink_to(px.drive / 'Kit')
        elif op == 'hide':  # where Wine keeps the DOS attributes
            os.setxattr(u(a[0]), 'user.DOSATTRIB', b'0x2' if a[1] else b'0x0')
        elif op == 'cut':  # the first half of a real package: the header is right, the rest gone
            shutil.copy(u(a[0]), str(u(a[0])) + '.whole')
            os.truncate(u(a[0]), os.path.getsize(u(a[0])) // 2)
        elif op == 'uncut':
            os.replace(str(u(a[0])) + '.whole', u(a[0]))
        elif op == 'kit':
            u(a[0]).mkdir(parents=True, exist_ok=True)
            for f in (px.drive / 'Kit').iterdir():
                f.is_file() and shutil.copy(f, u(a[0]))
        elif op == 'link':  # a hard link under the log's name, to a file of someone else's choosing
            u(a[0]).unlink(missing_ok=True)
            u(a[1]).write_bytes(b'not the log\r\n')
            os.link(u(a[1]), u(a[0]))
        elif op == 'own':  # Wine tells the owner of a file by its Linux owner
            os.chown(u(a[0]), a[1], a[1])
        elif op == 'rm':
            u(a[0]).unlink()
        elif op == 'wine':
            px.wine(*a)
        elif op == 'standin':  # msiexec.exe answering these codes, one a run, the last one repeated
            exe = px.unix(px.f['win'] + r'\msiexec.exe')
            shutil.copy(BUILD / 'e2e' / 'driver.exe', exe)
            exe.with_name(exe.name + '.codes').write_text(a[0])
            exe.with_name(exe.name + '.ran').unlink(missing_ok=True)
            px.wine('reg', 'add', r'HKCU\Software\Wine\DllOverrides', '/v', 'msiexec.exe', '/d', 'native', '/f')
        elif op == 'reset':  # what the row installed and saved, taken away for the next row
            for code, state in px.look(P, DB, DBU).items():
                state == '5' and px.wine('msiexec', '/x', code, '/qn', timeout=300)
            px.wine('reg', 'delete', SETTINGS, '/f')


def drive(px, proc, keys):
    win = xev = None
    try:
        for step in keys:
            if step == 'win':
                shown = eventually(lambda: px.visible(WIZARD) or proc.poll() is not None, 120)
                assert shown and proc.poll() is None, 'no wizard window'
                win = px.visible(WIZARD)
                xev = xev or subprocess.Popen(['xev', '-id', win, '-event', 'structure'], env=px.env,
                                              stdout=(px.path / 'xev').open('w'))
            elif step == 'hidden':  # hiding is an X event: seen however short it was
                assert eventually(lambda: 'UnmapNotify' in (px.path / 'xev').read_text(), 120), 'never hidden'
            elif step[0] == '=':  # the panel the last key leads to is up: no key is typed ahead
                assert px.wine(DRIVER, 'see', step[1:]).strip() == b'seen', f'no {step[1:]!r} in the wizard'
            elif step.startswith('box '):
                assert eventually(lambda: len(px.boxes()) >= int(step[4:]), 60), f'no {step}'
            else:
                px.xdotool('windowfocus', '--sync', win)
                px.xdotool(*(['type', '--delay', '30', step[5:]] if step.startswith('type:')
                             else ['key', '--clearmodifiers', step]))
                time.sleep(0.3)  # pacing only
    finally:
        xev and xev.kill()


@pytest.mark.parametrize('row', ROWS, ids=[r['seq'] + '-' + r['id'] for r in ROWS])
def test_row(world, row):
    px = world.prefix(row['seq'])
    for before in ROWS[:ROWS.index(row)]:
        before['seq'] == row['seq'] != 'refusals' and before['id'] not in px.ran and run(px, before, False)
    run(px, row, True)


def run(px, row, checked):
    px.ran.add(row['id'])
    arrange(px, row.get('do', []))
    for k, v in row.get('pre', {}).items():  # what the set-up step must have left
        assert (lambda got: k in got and got[k] == v)(px.look(k)), f'set-up: {k} is not {v!r}'
    log = px.unix(px.f['temp'] + r'\TSY Setup.log')
    size, service_at = log.stat().st_size if log.exists() else 0, len(service_log(px))
    proc = px.start(sub(px, row.get('cmd', 'Setup.exe')), sub(px, row.get('dir', r'C:\Kit')),
                    row.get('answers', ''), row.get('close_on', ''))
    try:
        drive(px, proc, row.get('keys', []))
        proc.wait(timeout=300)
        code = (px.path / 'driver.out').read_text().strip().replace('exit=', '')
        checked and check(px, row, code, px.boxes(),
                          (log.read_bytes()[size:] if log.exists() else b'').decode('utf-8', 'replace'), service_at)
    finally:
        if proc.poll() is None:  # a run that did not end: everything in the prefix ends with it
            proc.kill(), px.end()
        arrange(px, row.get('undo', []) + [('reset',)] * (row['seq'] == 'refusals'))


def service_log(px):  # the update service's stand-in appends a line for each call
    f = px.unix(px.f['appdata'] + r'\Morvane Software\vezEdeRu.log')
    return f.read_text('latin-1') if f.exists() else ''


def check(px, row, code, boxes, log, service_at):
    bad = []
    want = lambda ok, what: ok or bad.append(what)
    s = lambda x: sub(px, x)
    texts = [b[1] for b in boxes]
    started = re.findall(r'^\S+ \S+ \[\d+\]  (?:Process|Shell open): ([^\r\n]*)', log, re.M)
    want(code == str(row['exit']), f'exit code {code}, expected {row["exit"]}')
    # Every box accounted for, in order, each by the text it must hold.
    expected = [s(b) for b in row.get('boxes', [])]
    want(len(texts) == len(expected) and all(b in t for b, t in zip(expected, texts)), f'message boxes {texts!r}')
    want(row.get('titles', ['TSY Setup'] * len(boxes)) == [b[0] for b in boxes], f'box titles {boxes!r}')
    # ...each with its buttons (the default one, '*', pressed) and icon: by default the engine's failure box's.
    want(all(b[2:] == row.get('shows', ('OK*', 'error')) for b in boxes), f'buttons, icons {[b[2:] for b in boxes]}')
    # The log ends with the code the process ended with (unless the row keeps the log from being written).
    results = re.findall(r'^\S+ \S+ \[\d+\]  Result: [^\r]*, exit code (\d+)\r$', log, re.M)
    want(r'{temp}\TSY Setup.log' in row.get('text', {}) or results[-1:] == [code], f'the log ends with {results[-1:]}')
    standin = px.unix(px.f['win'] + r'\msiexec.exe.ran')
    if 'ran' in row:
        ran = standin.read_text('utf-8', 'replace').splitlines()
        want(ran == [s(r) for r in row['ran']], f'msiexec.exe ran {ran!r}')
    # The setup's own log is one witness; Wine's record of every process started is the other.
    traced = [t.replace('"', '') for t in px.traced()]
    want(traced, 'no process start traced')
    for line in row.get('started', []):
        want(s(line) in started, f'not started: {s(line)!r}')
        want(any(s(line).replace('"', '') in t for t in traced), f'not traced: {s(line)!r}')
    for part in row.get('never', []):
        want(not any(s(part) in line for line in started + traced), f'started: {s(part)!r}')
    for part in row.get('log', []):
        want(s(part) in log, f'not in the setup log: {s(part)!r}')
    items = {c: str(v) for c, v in row.get('states', {}).items()}
    items.update({SETTINGS + '>' + k: v and s(v) for k, v in row.get('settings', {}).items()})
    got = px.look(*items) if items else {}
    for k, v in items.items():
        want(got.get(k) == v, f'{k}: {got.get(k)!r}, expected {v!r}')
    for name, on in row.get('registered', {}).items():
        key = REG + name + '>Path'
        # a read that came back empty is read again, never taken as an answer
        want(eventually(lambda: (lambda got: key in got and (got[key] is not None) == on)(px.look(key))),
             f'{name} registered: {not on}')
    lines = lambda: re.findall(r'\tvezEdeRu\.exe (\S+)', service_log(px)[service_at:])
    want('service' not in row or eventually(lambda: lines() == row['service']), f'update service calls {lines()}')
    for p in row.get('files', []) + row.get('gone', []):  # 'gone' may hold wildcards
        there = list(px.drive.glob(str(px.unix(s(p)).relative_to(px.drive))))
        want(bool(there) == (p in row.get('files', [])), f'{s(p)}: {"there" if there else "missing"}')
    for p, text in row.get('text', {}).items():
        want(px.unix(s(p)).is_file() and px.unix(s(p)).read_bytes() == text.encode('latin-1'), f'{s(p)}: not {text!r}')
    want('window' not in row or eventually(lambda: px.visible(row['window'])), f'no window {row.get("window")}')
    want(not (planted := [p.name for p in px.drive.glob('**/*.ran') if p != standin]), f'planted and run or loaded: {planted}')
    assert not bad, '\n'.join(bad + [f'started: {started!r}'])
