"""One resource document applied to 20 OPC servers with Ansible: 20 inventory hosts on
this machine (connection: local), each with a workspace of its own, and one task per
host, the module tirvane_resource with the document and prune. The first run changes
every workspace (resources set, added and deleted), the second finds nothing to change.

    python3 ansible_fleet_bench.py --tool PROGRAM --modules DIR [--hosts N] [--forks N]

Prints each run's time, whole and per host, against the goal: the whole run of 20 hosts
in at most a third of the 36 s that three hand-written tasks per resource took. Options
it does not know (Google Benchmark's, from scripts/bench.sh) are ignored.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

GOAL_SECONDS = 36.0 / 3
LITTLE = "QB.OPC.AdaptTIRV3x.LE.20"

PLAYBOOK = """\
- name: One resource document for every OPC server
  hosts: opc_servers
  gather_facts: false
  tasks:
    - name: The workspace holds the document's resources and no others
      tirvane_resource:
        workspace: "{{ tirvane_workspace }}"
        prune: true
        document: "{{ lookup('file', 'resources.json') | from_json }}"
"""


def opc(port):
    tele = "256" if port.startswith("V24") else "1428"
    return ("[GeneralSettings]\r\nAdaptationComponent=%s\r\n\r\n[Online]\r\nComTeleLength=%s\r\n"
            "ComPort=%s\r\n" % (LITTLE, tele, port)).encode()


def document():
    """Twelve resources of every kind, as a plant might hold them."""
    resources = []
    for line in range(1, 9):
        resources.append({"name": "Line%d" % line, "port": "COM%d" % (1 + line % 4),
                          "baud": "19200", "databits": "8", "stopbits": "1", "parity": "Even",
                          "timeout": "2000", "alignment": "Little Endian"})
    for plant in range(1, 4):
        resources.append({"name": "Plant%d" % plant, "port": "TCP/IP",
                          "parameter": "-ip10.0.0.%d" % plant, "alignment": "Big Endian"})
    resources.append({"name": "Sim", "port": "Simulation1", "alignment": "Little Endian"})
    return {"version": 1, "resources": resources}


def seed(workspace, host):
    """What a server holds before: most resources at other values, some missing, one
    that the document does not name."""
    os.mkdir(workspace)
    for line in range(1, 9):
        if line + host % 3 == 8:
            continue
        with open(os.path.join(workspace, "Line%d.opc" % line), "wb") as file:
            file.write(opc("V24 %d 9600 8 1 0 2000 0" % (1 + line % 4)))
    for plant in range(1, 3):
        with open(os.path.join(workspace, "Plant%d.opc" % plant), "wb") as file:
            file.write(opc("DLL netdrv.dll -ip127.0.0.%d" % plant))
    with open(os.path.join(workspace, "Spare%d.opc" % host), "wb") as file:
        file.write(opc("DLL netdrv.dll -ip127.0.0.1"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tool", required=True, help="the built tirvane-resources")
    parser.add_argument("--modules", required=True, help="the folder of tirvane_resource.py")
    parser.add_argument("--hosts", type=int, default=20)
    parser.add_argument("--forks", type=int, default=5)
    options, _ = parser.parse_known_args()
    if shutil.which("ansible-playbook") is None:
        print("ansible-playbook is not installed (scripts/install-deps.sh test); not measured")
        return 0
    root = tempfile.mkdtemp(prefix="tirv-fleet-bench-")
    try:
        with open(os.path.join(root, "ansible.cfg"), "w") as config:
            config.write("[defaults]\nforks = %d\n[connection]\npipelining = true\n"
                         % options.forks)
        with open(os.path.join(root, "resources.json"), "w") as file:
            json.dump(document(), file)
        with open(os.path.join(root, "fleet.yml"), "w") as file:
            file.write(PLAYBOOK)
        with open(os.path.join(root, "inventory"), "w") as inventory:
            inventory.write("[opc_servers]\n")
            for host in range(1, options.hosts + 1):
                workspace = os.path.join(root, "server%02d" % host)
                seed(workspace, host)
                inventory.write("server%02d ansible_connection=local ansible_python_interpreter="
                                "/usr/bin/python3 tirvane_workspace=%s\n" % (host, workspace))
        env = dict(os.environ, HOME=root, ANSIBLE_CONFIG=os.path.join(root, "ansible.cfg"),
                   ANSIBLE_LOCAL_TEMP=os.path.join(root, "tmp"),
                   ANSIBLE_REMOTE_TEMP=os.path.join(root, "tmp"),
                   ANSIBLE_LIBRARY=os.path.abspath(options.modules), ANSIBLE_NOCOLOR="1",
                   TIRVANE_LOG_SOCKET="-",
                   PATH=os.path.dirname(os.path.abspath(options.tool)) + os.pathsep +
                   os.environ.get("PATH", "/usr/bin:/bin"))
        print("%d hosts on this machine, %d forks, one task each: %d resources, prune"
              % (options.hosts, options.forks, len(document()["resources"])))
        for run in ("first run (changes every workspace)", "second run (nothing to change)"):
            start = time.monotonic()
            done = subprocess.run(["ansible-playbook", "-i", "inventory", "fleet.yml"], cwd=root,
                                  env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  universal_newlines=True)
            seconds = time.monotonic() - start
            recap = [line for line in done.stdout.splitlines() if "changed=" in line]
            changed = sum(1 for line in recap if "changed=1" in line)
            failed = [line for line in recap if "failed=0" not in line]
            if done.returncode != 0 or failed:
                print(done.stdout)
                print("%s: FAILED" % run)
                return 1
            print("%s: %.1f s, %.2f s per host, %d of %d hosts changed  [goal: the run at most "
                  "%.1f s: %s]" % (run, seconds, seconds / options.hosts, changed, len(recap),
                                   GOAL_SECONDS, "met" if seconds <= GOAL_SECONDS else "MISSED"))
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
