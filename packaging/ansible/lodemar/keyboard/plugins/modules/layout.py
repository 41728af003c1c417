#!/usr/bin/python
# Copyright: Lodemar developers
# MIT License (see the collection's README)
"""lodemar.keyboard.layout: a keyboard holds a layout, through lodemar-cli apply."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: layout
short_description: Program the programmable keyboard of a terminal with a layout
version_added: "1.0.0"
description:
  - Makes the 100-key programmable keyboard attached to the managed node's
    keyboard port hold a layout, a keyboard data file (C(.dat)) or a layout
    in JSON, by running C(lodemar-cli apply --json) on the node.
  - The keyboard is read and compared with the layout first; it is written
    (and read back to check the write) only when it does not hold the layout
    already, so a second run changes nothing and reports C(ok).
  - The real keyboard needs root on the node, so run the task with
    C(become). Run as root, C(lodemar-cli) starts the installed driver host
    directly; no password prompt or polkit agent is involved.
  - The keyboard types nothing while it is read or programmed (a few
    seconds).
author:
  - Lodemar developers
options:
  src:
    description:
      - A layout on the controller, copied to the node for the run. The
        usual search paths of a role apply (its C(files) folder).
      - Exactly one of I(src) and I(path) is given.
    type: path
  path:
    description:
      - A layout already on the node.
      - Exactly one of I(src) and I(path) is given.
    type: path
  state:
    description:
      - C(present), the keyboard holds the layout.
    type: str
    choices: [present]
    default: present
  emulate:
    description:
      - Use the emulated keyboard instead of the real one, its memory kept in
        this file on the node. For testing playbooks without the hardware.
      - The emulated keyboard's driver host is the installed one, or the one
        in the folder the environment variable C(LODEMAR_DRIVER_DIR) names.
    type: path
  executable:
    description:
      - The C(lodemar-cli) to run on the node.
    type: path
    default: lodemar-cli
attributes:
  check_mode:
    support: full
    description: The keyboard is read and compared, never written.
  diff_mode:
    support: full
    description: The keys and settings bytes that differ, each with the keyboard's content before and the layout's after.
requirements:
  - The C(lodemar-cli) package on the managed node.
notes:
  - One run at a time uses a keyboard; another run on the same node while
    one holds it fails at once, naming the process that holds it.
  - A layout the keyboard cannot store faithfully (too long for its data
    area, bytes it cannot send back) fails before anything is sent.
seealso:
  - name: lodemar-cli(1)
    description: The command the module runs, C(apply), and its JSON result.
"""

EXAMPLES = r"""
- name: Every till holds the shop's layout
  hosts: tills
  become: true
  tasks:
    - name: Program the keyboard
      lodemar.keyboard.layout:
        src: shop.json

- name: A layout already on the node
  lodemar.keyboard.layout:
    path: /srv/pos/shop.dat

- name: Try a playbook against the emulated keyboard
  lodemar.keyboard.layout:
    src: shop.json
    emulate: /var/tmp/emulated-keyboard.bin
"""

RETURN = r"""
changed:
  description: Whether the keyboard did not hold the layout (in check mode, whether it would be written).
  returned: always
  type: bool
written:
  description: Whether anything was sent to the keyboard (never in check mode).
  returned: always
  type: bool
differences:
  description:
    - What differed before the run, as C(lodemar-cli apply --json) reports it. Each key by its
      number, caption and name ("key 1 (key number 93)"), C(from) what the keyboard held, C(to)
      what the layout holds (kind, content in hexadecimal, text or display text).
  returned: success
  type: dict
  sample:
    keys:
      - keyNumber: 93
        caption: "1"
        name: key 1 (key number 93)
        from: {kind: 3, content: "4f6c64", text: Old}
        to: {kind: 3, content: "48690d", text: "Hi\r"}
    settings: []
layout:
  description: The layout's path on the node.
  returned: always
  type: str
msg:
  description: What happened, or why it failed (the keyboard's own failure text first).
  returned: always
  type: str
rc:
  description: The exit status of lodemar-cli.
  returned: failure
  type: int
"""

import json

from ansible.module_utils.basic import AnsibleModule

KIND_NAMES = {0: "empty", 1: "switch", 2: "function", 3: "string"}
# A string key's characters as lodemar-cli shows them.
STRING_TEXTS = {"\t": "[Tab]", "\r": "[Enter]", "\u00e2": "[SE/]", "\u00e3": "[D1S]"}
# lodemar-cli apply --check: the keyboard does not hold the layout.
EXIT_DIFFERS = 3


def is_control(character):
    return character < " " or "\x7f" <= character < "\xa0"


def record_text(record):
    """A record as people read it: its kind and its text."""
    kind = KIND_NAMES.get(record.get("kind"), "kind %s" % record.get("kind"))
    if "text" in record:
        text = "".join(STRING_TEXTS.get(c, "\\x%02X" % ord(c) if is_control(c) else c) for c in record["text"])
    else:
        text = record.get("display", "")
    return ("%s %s" % (kind, text)).rstrip()


def diff_of(differences, layout):
    """The differing keys and settings as before (the keyboard) and after (the layout)."""
    before = []
    after = []
    for key in differences.get("keys", []):
        before.append("%s: %s\n" % (key["name"], record_text(key["from"])))
        after.append("%s: %s\n" % (key["name"], record_text(key["to"])))
    for setting in differences.get("settings", []):
        before.append("%s: 0x%02X\n" % (setting["name"], setting["from"]))
        after.append("%s: 0x%02X\n" % (setting["name"], setting["to"]))
    return {
        "before_header": "the keyboard",
        "after_header": layout,
        "before": "".join(before),
        "after": "".join(after),
    }


def failure_text(result, stderr):
    failure = result.get("failure") if result else None
    if not failure:
        return stderr.strip() or "lodemar-cli gave no result"
    if failure.get("reason"):
        return "%s (%s)" % (failure["text"], failure["reason"])
    return failure["text"]


def main():
    module = AnsibleModule(
        argument_spec=dict(
            src=dict(type="path"),
            path=dict(type="path"),
            state=dict(type="str", choices=["present"], default="present"),
            emulate=dict(type="path"),
            executable=dict(type="path", default="lodemar-cli"),
        ),
        mutually_exclusive=[("src", "path")],
        required_one_of=[("src", "path")],
        supports_check_mode=True,
    )
    params = module.params
    if params["src"] is not None:
        # The action plugin copies src to the node and passes it as path.
        module.fail_json(msg="src is a file on the controller: run the module as lodemar.keyboard.layout")
    executable = params["executable"]
    if "/" not in executable:
        executable = module.get_bin_path(executable, required=True)
    command = [executable, "apply", "--json", params["path"]]
    if module.check_mode:
        command.append("--check")
    if params["emulate"] is not None:
        command.append("--emulate=" + params["emulate"])

    rc, stdout, stderr = module.run_command(command)
    result = None
    try:
        result = json.loads(stdout.splitlines()[0]) if stdout.strip() else None
    except ValueError:
        result = None
    outcome = dict(layout=params["path"], stdout=stdout, stderr=stderr)
    if result is None or not result.get("ok", False) or rc not in (0, EXIT_DIFFERS):
        written = bool(result and result.get("written"))
        module.fail_json(msg=failure_text(result, stderr), changed=written, written=written, rc=rc, **outcome)

    changed = bool(result["changed"])
    differences = result.get("differences", {"keys": [], "settings": []})
    outcome.update(changed=changed, written=bool(result["written"]), differences=differences)
    if module._diff and changed:
        outcome["diff"] = diff_of(differences, params["path"])
    if not changed:
        outcome["msg"] = "the keyboard holds the layout already"
    elif module.check_mode:
        outcome["msg"] = "the keyboard would be written"
    else:
        outcome["msg"] = "the keyboard holds the layout now"
    module.exit_json(**outcome)


if __name__ == "__main__":
    main()
