"""The JSON of the built tirvane-resources against packaging/tirvane-resources.schema.json:
list --json, show --json, export and apply --json --diff on a workspace that holds every
kind of resource, and documents that the schema must refuse, so that it is no empty form.

    python3 schema_test.py PROGRAM SCHEMA

Exits 77 (skipped) when Python has no jsonschema (Debian's python3-jsonschema).
"""

import json
import os
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed (scripts/install-deps.sh test); skipped")
    sys.exit(77)


def opc(port, adaptation="QB.OPC.AdaptTIRV3x.LE.20"):
    return ("[GeneralSettings]\r\nAdaptationComponent=%s\r\n\r\n[Online]\r\nComTeleLength=256\r\n"
            "ComPort=%s\r\n" % (adaptation, port)).encode()


def main():
    program, schema_path = sys.argv[1], sys.argv[2]
    with open(schema_path) as file:
        schema = json.load(file)
    jsonschema.Draft202012Validator.check_schema(schema)
    failures = []

    def validator(definition):
        part = dict(schema) if definition is None else {"$defs": schema["$defs"],
                                                        "$ref": "#/$defs/" + definition}
        return jsonschema.Draft202012Validator(part)

    def expect_valid(what, definition, value):
        errors = [error.message for error in validator(definition).iter_errors(value)]
        print("%s: %s" % ("ok  " if not errors else "FAIL", what))
        if errors:
            failures.append(what)
            print("  %s\n  %s" % (json.dumps(value)[:400], "\n  ".join(errors)))

    def expect_refused(what, value):
        refused = not validator(None).is_valid(value)
        print("%s: the schema refuses %s" % ("ok  " if refused else "FAIL", what))
        if not refused:
            failures.append(what)

    with tempfile.TemporaryDirectory() as root:
        ws = os.path.join(root, "ws")
        os.mkdir(ws)
        files = {
            "Line1.opc": opc("V24 1 9600 8 1 0 2000 0"),
            "Line2.opc": opc("V24 4 57600 7 2 2 10 0", "QB.OPC.AdaptTIRV3x.BE.20"),
            "Plant.opc": opc("DLL netdrv.dll -ip10.0.0.7 -p 502"),
            "Sim1.opc": opc("SIM SimHost.dll Vsim1.Vsim1", "QB.OPC.AdaptCustom.XX.21"),
            "Sim2.x.opc": opc("SIM SimHost.dll Vsim2.Vsim2"),
            "Odd.opc": opc("V24 7 9600 8 1 0 2000 0"),  # no known port: port null
            "Caf\xe9.opc": opc("DLL netdrv.dll -ip1"),
        }
        for name, data in files.items():
            with open(os.path.join(ws.encode(), name.encode("latin-1")), "wb") as file:
                file.write(data)

        def tool(*arguments, **kwargs):
            run = subprocess.run([program, "--workspace", ws] + list(arguments),
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 env=dict(os.environ, TIRVANE_LOG_SOCKET="-"), **kwargs)
            if run.returncode != 0:
                failures.append(" ".join(arguments))
                print("FAIL: %s: %s" % (" ".join(arguments), run.stderr.decode()))
            return json.loads(run.stdout.decode("utf-8", "surrogatepass"))

        listing = tool("list", "--json")
        expect_valid("list --json (%d resources)" % len(listing), "listing", listing)
        for name in ("Line1", "Plant", "Sim1", "Odd"):
            expect_valid("show %s --json" % name, "listedResource", tool("show", name, "--json"))
        exported = tool("export")
        expect_valid("export (%d resources)" % len(exported["resources"]), None, exported)
        document = {"version": 1, "resources": [
            {"name": "Line1", "baud": "19200", "dataBits": "7"},
            {"name": "New", "port": "COM2", "parity": "Odd"},
        ]}
        report = tool("apply", "-", "--json", "--diff", "--check", "--prune", "--yes",
                      input=json.dumps(document).encode())
        expect_valid("apply --json --diff", "applyReport", report)
        expect_valid("a document with the old member names", None, document)

    for what, value in [
        ("another version", {"version": 2, "resources": []}),
        ("a document without resources", {"version": 1}),
        ("an unknown member", {"version": 1, "resources": [], "hosts": []}),
        ("a resource without a name", {"version": 1, "resources": [{"port": "COM1"}]}),
        ("a baud outside the list", {"version": 1, "resources": [{"name": "a", "baud": "12345"}]}),
        ("a number for a baud", {"version": 1, "resources": [{"name": "a", "baud": 9600}]}),
        ("a timeout of letters", {"version": 1, "resources": [{"name": "a", "timeout": "1s"}]}),
        ("a blank parameter", {"version": 1, "resources": [{"name": "a", "parameter": " -ip1"}]}),
        ("a parameter for COM1",
         {"version": 1, "resources": [{"name": "a", "port": "COM1", "parameter": "-ip1"}]}),
        ("a baud for TCP/IP",
         {"version": 1, "resources": [{"name": "a", "port": "TCP/IP", "baud": "9600"}]}),
        ("a file of another name", {"version": 1, "resources": [{"name": "a", "file": "a/b.opc"}]}),
        ("an unknown key", {"version": 1, "resources": [{"name": "a", "speed": "1"}]}),
    ]:
        expect_refused(what, value)
    print("schema test: %d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
