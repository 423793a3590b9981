"""The Ansible module tirvane_resource as a commissioning team meets it: Debian's
ansible-playbook runs the playbooks of the README (site.yml, fleet.yml) and playbooks
of refused values against this machine (connection: local), on a temporary workspace,
with the built tirvane-resources; every file is compared, inode and bytes, after each run.

    python3 ansible_test.py SCENARIO --tool PROGRAM --modules DIR

Exits 0 when the scenario passed, 1 when it failed, 77 (skipped) when ansible-playbook is
not installed.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SKIPPED = 77
LITTLE = "QB.OPC.AdaptTIRV3x.LE.20"
BIG = "QB.OPC.AdaptTIRV3x.BE.20"


def opc(port, adaptation=LITTLE, tele=None):
    """A resource file as another program might have left it: its own description."""
    if tele is None:
        tele = "256" if port.startswith("V24") else "1428"
    return ("[GeneralSettings]\r\nAdaptationComponent=%s\r\nDescription=kept as it is\r\n\r\n"
            "[Online]\r\nComTeleLength=%s\r\nComPort=%s\r\n\r\n" % (adaptation, tele, port)).encode()


def new_opc(port, adaptation=LITTLE):
    """A file that tirvane-resources made: the layout of a new resource file."""
    tele = "256" if port.startswith("V24") else "1428"
    return ("[GeneralSettings]\r\nAdaptationComponent=%s\r\nDescription=QB-Software Adaptation "
            "for Tirvane LE PLC\xb4s\r\n\r\n[Online]\r\nComTeleLength=%s\r\nComPort=%s\r\n\r\n"
            % (adaptation, tele, port)).encode("cp1252")


class Failures(object):
    def __init__(self):
        self.count = 0

    def expect_eq(self, what, expected, actual):
        if expected == actual:
            print("ok:   %s" % what)
            return True
        self.count += 1
        print("FAIL: %s\n  expected: %r\n  actual:   %r" % (what, expected, actual))
        return False


class Machine(object):
    """One managed machine: a temporary workspace, an inventory naming this machine as
    the group opc_servers, and what ansible-playbook needs to run there on its own."""

    def __init__(self, options, root):
        self.root = root
        self.workspace = os.path.join(root, "ws")
        os.mkdir(self.workspace)
        self.inventory = os.path.join(root, "inventory")
        with open(self.inventory, "w") as inventory:
            inventory.write("[opc_servers]\nlocalhost ansible_connection=local "
                            "ansible_python_interpreter=/usr/bin/python3\n")
        # No ansible.cfg of the machine or the user takes part.
        with open(os.path.join(root, "ansible.cfg"), "w") as config:
            config.write("[defaults]\n")
        tool_folder = os.path.dirname(os.path.abspath(options.tool))
        self.env = dict(os.environ)
        self.env.update({
            "HOME": root,
            "ANSIBLE_LOCAL_TEMP": os.path.join(root, "ansible-local"),
            "ANSIBLE_REMOTE_TEMP": os.path.join(root, "ansible-remote"),
            "ANSIBLE_LIBRARY": os.path.abspath(options.modules),
            "ANSIBLE_CALLBACK_PLUGINS": os.path.join(HERE, "callback_plugins"),
            "ANSIBLE_NOCOLOR": "1",
            "ANSIBLE_RETRY_FILES_ENABLED": "0",
            "ANSIBLE_CONFIG": os.path.join(root, "ansible.cfg"),
            "PATH": tool_folder + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin"),
            "TIRVANE_LOG_SOCKET": "-",
        })

    def put(self, name, data):
        with open(os.path.join(self.workspace, name), "wb") as file:
            file.write(data)

    def bytes_of(self, name):
        with open(os.path.join(self.workspace, name), "rb") as file:
            return file.read()

    def snapshot(self):
        """Every entry of the workspace with its inode and bytes: a file replaced by the
        same bytes shows too."""
        state = {}
        for name in sorted(os.listdir(self.workspace)):
            path = os.path.join(self.workspace, name)
            with open(path, "rb") as file:
                state[name] = (os.stat(path).st_ino, file.read())
        return state

    def play(self, playbook, *options, **kwargs):
        """Runs a playbook; with the JSON callback its parsed report, else its text."""
        callback = kwargs.get("callback", "results_json")
        env = dict(self.env, ANSIBLE_STDOUT_CALLBACK=callback)
        command = ["ansible-playbook", "-i", self.inventory, "-e",
                   "tirvane_workspace=" + self.workspace, playbook] + list(options)
        run = subprocess.run(command, env=env, cwd=self.root, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, universal_newlines=True)
        if callback != "results_json":
            return run.returncode, run.stdout + run.stderr
        try:
            return run.returncode, json.loads(run.stdout)
        except ValueError:
            print("ansible-playbook printed no JSON:\n%s\n%s" % (run.stdout, run.stderr))
            return run.returncode, {"plays": [], "stats": {}}

    def write_playbook(self, name, tasks):
        path = os.path.join(self.root, name)
        with open(path, "w") as playbook:
            playbook.write("- hosts: opc_servers\n  gather_facts: false\n  tasks:\n" + tasks)
        return path


def stats(report):
    host = report.get("stats", {}).get("localhost", {})
    return {key: host.get(key) for key in ("ok", "changed", "failures")}


def task_results(report):
    """Per task: its name and what the module returned."""
    results = []
    for play in report.get("plays", []):
        for task in play.get("tasks", []):
            results.append((task["task"]["name"], task["hosts"].get("localhost", {})))
    return results


def put_first_state(machine):
    machine.put("Line1.opc", opc("V24 1 9600 8 1 0 2000 0"))
    machine.put("Spare.opc", opc("DLL netdrv.dll -ip127.0.0.1"))
    machine.put("Other.opc", opc("SIM SimHost.dll Vsim1.Vsim1", BIG))


SITE_RESULT = {
    "Line1.opc": opc("V24 1 19200 8 1 2 2000 0"),
    "Other.opc": opc("SIM SimHost.dll Vsim1.Vsim1", BIG),
    "Plant.opc": new_opc("DLL netdrv.dll -ip10.0.0.7", BIG),
}

SCENARIOS = {}


def scenario(function):
    SCENARIOS[function.__name__] = function
    return function


@scenario
def site_first_run_changes_second_run_is_all_ok(machine, check):
    put_first_state(machine)
    other = machine.snapshot()["Other.opc"]
    code, first = machine.play(os.path.join(HERE, "site.yml"))
    check.expect_eq("first run: exit status", 0, code)
    check.expect_eq("first run: the recap", {"ok": 3, "changed": 3, "failures": 0}, stats(first))
    check.expect_eq("first run: what each task did", [
        [{"name": "Line1", "file": "Line1.opc", "result": "changed"}],
        [{"name": "Plant", "file": "Plant.opc", "result": "added"}],
        [{"name": "Spare", "result": "deleted"}],
    ], [result.get("resources") for _, result in task_results(first)])
    after = machine.snapshot()
    check.expect_eq("first run: the files", SITE_RESULT,
                    {name: data for name, (_, data) in after.items()})
    check.expect_eq("first run: the resource no task names keeps its inode and bytes", other,
                    after.get("Other.opc"))

    code, second = machine.play(os.path.join(HERE, "site.yml"))
    check.expect_eq("second run: exit status", 0, code)
    check.expect_eq("second run: all ok", {"ok": 3, "changed": 0, "failures": 0}, stats(second))
    check.expect_eq("second run: every file keeps its inode and bytes", after, machine.snapshot())


@scenario
def check_mode_tells_the_changes_and_writes_nothing(machine, check):
    put_first_state(machine)
    before = machine.snapshot()
    code, report = machine.play(os.path.join(HERE, "site.yml"), "--check")
    check.expect_eq("exit status", 0, code)
    check.expect_eq("the recap tells what would change", {"ok": 3, "changed": 3, "failures": 0},
                    stats(report))
    check.expect_eq("every file keeps its inode and bytes", before, machine.snapshot())
    code, report = machine.play(os.path.join(HERE, "fleet.yml"), "--check")
    check.expect_eq("fleet.yml: the recap", {"ok": 1, "changed": 1, "failures": 0}, stats(report))
    check.expect_eq("fleet.yml: every file keeps its inode and bytes", before, machine.snapshot())


@scenario
def diff_shows_each_files_lines_before_and_after(machine, check):
    put_first_state(machine)
    before = machine.snapshot()
    code, text = machine.play(os.path.join(HERE, "site.yml"), "--check", "--diff",
                              callback="default")
    check.expect_eq("--check --diff: exit status", 0, code)
    for line in ["--- before: Line1.opc", "+++ after: Line1.opc",
                 "-ComPort=V24 1 9600 8 1 0 2000 0", "+ComPort=V24 1 19200 8 1 2 2000 0",
                 "--- before: /dev/null", "+++ after: Plant.opc",
                 "+ComPort=DLL netdrv.dll -ip10.0.0.7", "-name=Spare"]:
        check.expect_eq("--check --diff shows %r" % line, True, line in text.splitlines())
    check.expect_eq("--check --diff: the kept line is no change", False,
                    "-Description=kept as it is" in text)
    check.expect_eq("--check --diff: every file keeps its inode and bytes", before,
                    machine.snapshot())
    code, text = machine.play(os.path.join(HERE, "site.yml"), "--diff", callback="default")
    check.expect_eq("--diff: exit status", 0, code)
    check.expect_eq("--diff shows the change it made", True,
                    "+ComPort=V24 1 19200 8 1 2 2000 0" in text.splitlines())
    check.expect_eq("--diff: the files", SITE_RESULT,
                    {name: data for name, (_, data) in machine.snapshot().items()})


@scenario
def a_refused_value_fails_the_task_and_changes_nothing(machine, check):
    put_first_state(machine)
    before = machine.snapshot()
    playbook = machine.write_playbook("refused.yml", """\
    - name: a document whose second resource is refused
      tirvane_resource:
        workspace: "{{ tirvane_workspace }}"
        prune: true
        document:
          version: 1
          resources:
            - {name: Line1, baud: 19200}
            - {name: New, port: COM2, baud: 12345}
      ignore_errors: true
    - name: a parameter with a blank at its end
      tirvane_resource:
        workspace: "{{ tirvane_workspace }}"
        name: Spare
        parameter: "-ip10.0.0.9 "
      ignore_errors: true
    - name: a key the port does not use
      tirvane_resource:
        workspace: "{{ tirvane_workspace }}"
        name: Spare
        timeout: 100
      ignore_errors: true
""")
    code, report = machine.play(playbook)
    check.expect_eq("exit status (errors ignored)", 0, code)
    results = task_results(report)
    check.expect_eq("every task failed and changed nothing", [(True, False)] * 3,
                    [(result.get("failed"), result.get("changed")) for _, result in results])
    check.expect_eq("the reasons are the command line's", [
        'standard input: resources[1] (New): baud "12345" is not one of 110, 300, 600, 1200, '
        '2400, 4800, 9600, 19200, 38400, 57600',
        "standard input: resources[0] (Spare): the parameter begins or ends with a blank, which "
        "the file cannot keep (blanks at the ends of a value are dropped when it is read)",
        "standard input: resources[0] (Spare): timeout is not used by port TCP/IP",
    ], [result.get("msg") for _, result in results])
    check.expect_eq("the status of a refused document", [2, 2, 2],
                    [result.get("rc") for _, result in results])
    check.expect_eq("every file keeps its inode and bytes; nothing was added or deleted", before,
                    machine.snapshot())


@scenario
def fleet_document_with_prune_holds_exactly_its_resources(machine, check):
    put_first_state(machine)
    machine.put("Broken.opc", b"[Online]\r\nComPort=MODBUS 9\r\n")
    code, first = machine.play(os.path.join(HERE, "fleet.yml"))
    check.expect_eq("first run: exit status", 0, code)
    check.expect_eq("first run: the recap", {"ok": 1, "changed": 1, "failures": 0}, stats(first))
    check.expect_eq("first run: per resource", [
        {"name": "Line1", "file": "Line1.opc", "result": "changed"},
        {"name": "Plant", "file": "Plant.opc", "result": "added"},
        {"name": "Other", "file": "Other.opc", "result": "deleted"},
        {"name": "Spare", "file": "Spare.opc", "result": "deleted"},
    ], task_results(first)[0][1].get("resources"))
    after = machine.snapshot()
    check.expect_eq("first run: the files (a file that is no resource stays)", {
        "Broken.opc": b"[Online]\r\nComPort=MODBUS 9\r\n",
        "Line1.opc": opc("V24 1 19200 8 1 2 2000 0"),
        "Plant.opc": new_opc("DLL netdrv.dll -ip10.0.0.7", BIG),
    }, {name: data for name, (_, data) in after.items()})
    code, second = machine.play(os.path.join(HERE, "fleet.yml"))
    check.expect_eq("second run: all ok", {"ok": 1, "changed": 0, "failures": 0}, stats(second))
    check.expect_eq("second run: every file keeps its inode and bytes", after, machine.snapshot())


@scenario
def state_absent_deletes_once_and_check_mode_keeps_the_file(machine, check):
    machine.put("Spare.opc", opc("DLL netdrv.dll -ip127.0.0.1"))
    machine.put("Spare.x.opc", opc("DLL netdrv.dll -ip127.0.0.2"))
    playbook = machine.write_playbook("absent.yml", """\
    - tirvane_resource:
        workspace: "{{ tirvane_workspace }}"
        name: Spare
        state: absent
""")
    before = machine.snapshot()
    code, report = machine.play(playbook, "--check")
    check.expect_eq("--check: changed, and nothing deleted", (0, 1, before),
                    (code, stats(report)["changed"], machine.snapshot()))
    code, report = machine.play(playbook)
    check.expect_eq("first run deletes Spare.opc", (0, 1, ["Spare.x.opc"]),
                    (code, stats(report)["changed"], sorted(machine.snapshot())))
    # The name now stands for the other file listed under it, as in the editor.
    code, report = machine.play(playbook)
    check.expect_eq("second run deletes Spare.x.opc", (0, 1, []),
                    (code, stats(report)["changed"], sorted(machine.snapshot())))
    code, report = machine.play(playbook)
    check.expect_eq("third run: ok, nothing to delete", (0, {"ok": 1, "changed": 0, "failures": 0}),
                    (code, stats(report)))


@scenario
def the_readme_and_the_manual_page_show_the_playbooks_that_run_here(machine, check):
    del machine
    root = os.path.dirname(os.path.dirname(HERE))
    with open(os.path.join(root, "README.md")) as readme:
        readme_text = readme.read()
    with open(os.path.join(root, "packaging", "tirvane-resources.1.in")) as manual:
        manual_text = manual.read()
    # The manual page's example as man prints it: roff's escapes undone.
    shown = manual_text.replace("\\-", "-").replace("\\(dq", '"').replace("\\e", "\\")
    for name in ("site.yml", "fleet.yml"):
        with open(os.path.join(HERE, name)) as playbook:
            text = playbook.read()
        check.expect_eq("README.md shows tests/ansible/%s" % name, True,
                        "```yaml\n" + text + "```\n" in readme_text)
    with open(os.path.join(HERE, "site.yml")) as playbook:
        check.expect_eq("the manual page shows tests/ansible/site.yml", True,
                        playbook.read() in shown)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--tool", required=True, help="the built tirvane-resources")
    parser.add_argument("--modules", required=True, help="the folder of tirvane_resource.py")
    options = parser.parse_args()
    needs_ansible = options.scenario != "the_readme_and_the_manual_page_show_the_playbooks_that_run_here"
    if needs_ansible and shutil.which("ansible-playbook") is None:
        print("ansible-playbook is not installed (Debian's ansible-core, scripts/install-deps.sh "
              "test); skipped")
        return SKIPPED
    check = Failures()
    root = tempfile.mkdtemp(prefix="tirv-ansible-")
    try:
        SCENARIOS[options.scenario](Machine(options, root), check)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print("%s: %s" % (options.scenario, "passed" if check.count == 0 else
                      "%d failure(s)" % check.count))
    return 0 if check.count == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
