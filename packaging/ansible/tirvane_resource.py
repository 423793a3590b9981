# -*- coding: utf-8 -*-
# tirvane_resource: the resources of a Tirvane OPC-Server 2.0 workspace, kept by Ansible.
# Copyright: Tirvane OPC-Server team. MIT licence (see /usr/share/doc/tirvane-resources/copyright).
#
# The module runs the command line tirvane-resources on the managed machine: every rule
# of the files (the value lists, the lock, the safe replace, writing only what changed)
# is the command line's, and so is every reason of a failure.

DOCUMENTATION = r"""
module: tirvane_resource
short_description: Resources of a Tirvane OPC-Server 2.0 workspace
description:
  - Makes a resource of the server's workspace exist with the settings given, or not
    exist; or makes the whole workspace hold what one resource document says.
  - Runs C(tirvane-resources apply) on the managed machine, so the values and the rules
    are those of the command line and the editor. Only the values that change are
    written, and a second run of the same task changes nothing.
options:
  name:
    description: The resource's name as the editor lists it, without C(.opc).
    type: str
  state:
    description: Whether the resource exists. C(absent) deletes its file.
    type: str
    choices: [present, absent]
    default: present
  workspace:
    description:
      - The workspace folder. Without it, the one that C(TirvOPC.ini) beside the command
        line names (C(/var/lib/tirvane-editor/workspace) from the package).
    type: path
  port:
    description: C(COM1) to C(COM4), C(Simulation1), C(Simulation2) or C(TCP/IP).
    type: raw
  baud:
    description: 110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400 or 57600 (COM ports).
    type: raw
  databits:
    description: 7 or 8 (COM ports).
    type: raw
  stopbits:
    description: 1 or 2 (COM ports).
    type: raw
  parity:
    description: C(None), C(Odd) or C(Even) (COM ports).
    type: raw
  timeout:
    description: Milliseconds, digits only (COM ports).
    type: raw
  parameter:
    description: The TCP/IP driver's parameter, such as C(-ip10.0.0.7).
    type: raw
  alignment:
    description: C(Little Endian) or C(Big Endian).
    type: raw
  document:
    description:
      - A whole resource document instead of I(name) and the settings, as
        C(tirvane-resources export) prints it (a dictionary, or its JSON text), with the
        members version (1) and resources (a list of resources, each with its name and
        the settings to give it).
      - Its form is /usr/share/tirvane-resources/tirvane-resources.schema.json.
    type: raw
  prune:
    description: With I(document), delete the resources the document does not name.
    type: bool
    default: false
  executable:
    description: The command line to run.
    type: path
    default: tirvane-resources
notes:
  - Supports check mode and diff mode; the diff shows each file's lines.
  - A value the command line refuses fails the task, and nothing is changed.
requirements:
  - tirvane-resources on the managed machine
author:
  - Tirvane OPC-Server team
"""

EXAMPLES = r"""
- name: Line1 on the first serial port
  tirvane_resource:
    name: Line1
    port: COM1
    baud: 19200
    parity: Even

- name: The whole workspace as one document
  tirvane_resource:
    document: "{{ lookup('file', 'resources.json') | from_json }}"
    prune: true

- name: No resource Spare
  tirvane_resource:
    name: Spare
    state: absent
"""

RETURN = r"""
resources:
  description: Per resource, as C(apply --json) reports it.
  returned: always
  type: list
  elements: dict
  sample: [{"name": "Line1", "file": "Line1.opc", "result": "changed"}]
"""

import json

from ansible.module_utils.basic import AnsibleModule

SETTINGS = ("port", "baud", "databits", "stopbits", "parity", "timeout", "parameter", "alignment")
NO_SUCH_RESOURCE = 3  # the command line's exit status for a name under which no file is listed
PREFIX = "tirvane-resources: "


def setting_text(module, key, value):
    """A setting as the command line takes it: YAML gives 9600 as a number."""
    if isinstance(value, str):
        return value
    if isinstance(value, int) and not isinstance(value, bool):
        return str(value)
    module.fail_json(msg="%s must be a string or a whole number, not %r" % (key, value))


def document_of(module):
    """The document to apply: the one given, or one resource from name and the settings."""
    given = module.params["document"]
    if given is None:
        resource = {"name": module.params["name"]}
        for key in SETTINGS:
            if module.params[key] is not None:
                resource[key] = setting_text(module, key, module.params[key])
        return {"version": 1, "resources": [resource]}
    if isinstance(given, str):
        try:
            given = json.loads(given)
        except ValueError as error:
            module.fail_json(msg="document is not JSON: %s" % error)
    if isinstance(given, dict) and isinstance(given.get("resources"), list):
        for resource in given["resources"]:
            if not isinstance(resource, dict):
                continue
            for key in SETTINGS:
                if resource.get(key) is not None:
                    resource[key] = setting_text(module, key, resource[key])
    return given


class Tool(object):
    def __init__(self, module):
        self.module = module
        executable = module.params["executable"]
        if "/" not in executable:
            executable = module.get_bin_path(executable, required=True)
        self.command = [executable]
        if module.params["workspace"]:
            self.command += ["--workspace", module.params["workspace"]]

    def run(self, arguments, data=None):
        return self.module.run_command(self.command + arguments, data=data, binary_data=True)

    def fail(self, rc, out, err, **result):
        """Fails the task with the command line's reason, each message without its prefix."""
        lines = [line[len(PREFIX):] if line.startswith(PREFIX) else line
                 for line in err.splitlines() if line.strip()]
        self.module.fail_json(msg="\n".join(lines) or "tirvane-resources ended with %d" % rc,
                              rc=rc, stdout=out, stderr=err, **result)


def diff_of(resource):
    return {
        "before_header": resource["file"] if resource.get("before") is not None else "/dev/null",
        "after_header": resource["file"] if resource.get("after") is not None else "/dev/null",
        "before": resource.get("before") or "",
        "after": resource.get("after") or "",
    }


def apply_document(module, tool):
    arguments = ["apply", "-", "--json"]
    if module.params["prune"]:
        arguments += ["--prune", "--yes"]
    if module.check_mode:
        arguments.append("--check")
    if module._diff:
        arguments.append("--diff")
    data = json.dumps(document_of(module)).encode("ascii")
    rc, out, err = tool.run(arguments, data=data)
    try:
        report = json.loads(out) if out.strip() else None
    except ValueError:
        report = None
    if report is None and rc == 0:
        tool.fail(rc, out, err or PREFIX + "its report could not be read")
    resources = report.get("resources", []) if report else []
    result = {
        "changed": bool(report and report.get("changed")),
        "resources": [dict((key, value) for key, value in resource.items()
                           if key not in ("before", "after")) for resource in resources],
    }
    if module._diff:
        result["diff"] = [diff_of(resource) for resource in resources
                          if resource.get("result") != "unchanged"]
    if rc != 0:
        tool.fail(rc, out, err, **result)
    module.exit_json(**result)


def remove_resource(module, tool):
    name = module.params["name"]
    rc, out, err = tool.run(["show", "--", name])
    if rc == NO_SUCH_RESOURCE:
        module.exit_json(changed=False, resources=[])
    if rc != 0:
        tool.fail(rc, out, err)
    result = {"changed": True, "resources": [{"name": name, "result": "deleted"}]}
    if module._diff:
        result["diff"] = [{"before_header": name, "after_header": "/dev/null",
                           "before": out, "after": ""}]
    if not module.check_mode:
        rc, out, err = tool.run(["delete", "--yes", "--", name])
        if rc == NO_SUCH_RESOURCE:  # deleted by someone else meanwhile
            module.exit_json(changed=False, resources=[])
        if rc != 0:
            tool.fail(rc, out, err)
    module.exit_json(**result)


def main():
    argument_spec = dict(
        name=dict(type="str"),
        state=dict(type="str", choices=["present", "absent"], default="present"),
        workspace=dict(type="path"),
        document=dict(type="raw"),
        prune=dict(type="bool", default=False),
        executable=dict(type="path", default="tirvane-resources"),
    )
    for key in SETTINGS:
        argument_spec[key] = dict(type="raw")
    module = AnsibleModule(
        argument_spec=argument_spec,
        mutually_exclusive=[["document", "name"]] + [["document", key] for key in SETTINGS],
        required_one_of=[["name", "document"]],
        supports_check_mode=True,
    )
    if module.params["prune"] and module.params["document"] is None:
        module.fail_json(msg="prune goes with document")
    tool = Tool(module)
    if module.params["state"] == "absent":
        given = [key for key in SETTINGS if module.params[key] is not None]
        if module.params["document"] is not None or given:
            module.fail_json(msg="state=absent takes a name and no settings: %s"
                             % ", ".join(given or ["document"]))
        remove_resource(module, tool)
    apply_document(module, tool)


if __name__ == "__main__":
    main()
