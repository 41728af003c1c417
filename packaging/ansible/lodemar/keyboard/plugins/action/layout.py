# Copyright: Lodemar developers
# MIT License (see the collection's README)
"""The controller's side of lodemar.keyboard.layout: src is copied to the node."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible.errors import AnsibleActionFail, AnsibleError
from ansible.module_utils.common.text.converters import to_text
from ansible.plugins.action import ActionBase


class ActionModule(ActionBase):

    TRANSFERS_FILES = True

    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        arguments = self._task.args.copy()
        source = arguments.pop("src", None)
        try:
            if source is not None:
                if arguments.get("path") is not None:
                    raise AnsibleActionFail("src and path are mutually exclusive")
                try:
                    local = self._find_needle("files", source)
                except AnsibleError as error:
                    raise AnsibleActionFail(to_text(error))
                remote = self._connection._shell.join_path(self._connection._shell.tmpdir, "layout")
                self._transfer_file(local, remote)
                self._fixup_perms2((self._connection._shell.tmpdir, remote))
                arguments["path"] = remote
            result.update(
                self._execute_module(
                    module_name="lodemar.keyboard.layout", module_args=arguments, task_vars=task_vars
                )
            )
            if source is not None:
                # Named as the playbook names it, not by its copy on the node.
                result["layout"] = source
                if "diff" in result:
                    result["diff"]["after_header"] = source
        except AnsibleActionFail as error:
            result.update(failed=True, msg=to_text(error))
        finally:
            self._remove_tmp_path(self._connection._shell.tmpdir)
        return result
