# The Python module as a script uses it: projects, tags, configuration values
# and hosts; and misuse, which must end in a Python exception, never a crash.
import enum
import threading

import pds
import pytest
from conftest import exit_unsaved, save_as


def test_project_with_tags_saved_and_read_back_by_a_new_service_object(installation, server):
    assert server.ProjectNew() == pds.RETURN_OK
    code, name, rs = server.NewTag("TagData", "  P-101 ")
    assert (code, name) == (pds.RETURN_OK, "P-101")
    rs.Edit()
    rs["fFlowRate"] = 42.5
    rs.Update()
    server.Project.sJobNumber = "J-7"
    assert save_as(server, installation, "Alpha") == pds.RETURN_OK
    assert server.SetConfigValue("Units", "SI") == pds.RETURN_OK
    assert server.ExitProgram() == pds.RETURN_OK

    again = pds.clsProjectDataServer()
    assert again.PDSInitialize(installation["code"]["PMP10"], "PMP10") == pds.RETURN_OK
    assert again.ProjectOpen("Alpha") == pds.RETURN_OK
    assert again.Project.sJobNumber == "J-7"
    assert "P-101" in [t.Name for t in again.UnitTags()]
    code, rs = again.OpenTag("TagData", "P-101")
    assert code == pds.RETURN_OK and rs["fFlowRate"] == 42.5
    assert again.GetConfigValue("Units") == (pds.RETURN_OK, "SI")
    code, rows = again.Projects()
    assert code == pds.RETURN_OK and [r[0] for r in rows] == ["Alpha"]
    assert again.DataDef("fFlowRate", "TagData").FriendlyName == "Flow Rate"
    assert again.ExitProgram() == pds.RETURN_OK


def test_archive_export_and_retrieve_into_a_new_project(installation, server, tmp_path):
    server.ProjectNew()
    server.NewTag("TagData", "P-1")
    assert save_as(server, installation, "Beta") == pds.RETURN_OK
    assert server.ExportTagData([{"TagName": "P-1", "items": [{"Key": "Flow", "Value": "12.5"}]}])
    archive = str(tmp_path / "Beta.QVA")
    assert server.ProjectArchive(archive) == pds.RETURN_OK
    assert server.ProjectNew() == pds.RETURN_OK
    assert server.ProjectRetrieve(archive, False) == pds.RETURN_OK
    assert server.Project.sJobName == "Beta" and "P-1" in [t.Name for t in server.UnitTags()]
    with pytest.raises(TypeError, match="dict"):
        server.ExportTagData(["P-1"])


def test_result_codes_are_an_int_enum_that_names_the_tag_codes(server):
    assert issubclass(pds.eProjectReturnCode, enum.IntEnum)
    assert server.DeleteTag("TagData", "NoSuchTag", False) is pds.RETURN_NO_TAGS
    assert server.RETURN_TAG_ALREADY_EXISTS == -4


class RecordingHost:
    def __init__(self, answer=pds.vbOK, fail=False):
        self.seen, self.answer, self.fail = [], answer, fail

    def msgbox(self, prompt, style, title):
        self.seen.append((title, prompt))
        if self.fail:
            raise ValueError("host failed")
        return self.answer


def test_a_python_host_sees_the_components_messages_and_answers_them(server):
    host = RecordingHost()
    pds.set_host(host)
    assert server.DeleteTag("TagData", "Nope") == pds.RETURN_NO_TAGS
    assert host.seen == [("DeleteTagRecord()", "Tag does not exist.  [Nope]")]


def test_an_exception_in_a_host_callback_is_raised_when_the_operation_returns(server):
    pds.set_host(RecordingHost(fail=True))
    with pytest.raises(ValueError, match="host failed"):
        server.DeleteTag("TagData", "Nope")
    pds.set_host(pds.BatchHost())
    assert server.DeleteTag("TagData", "Nope") == pds.RETURN_NO_TAGS  # usable afterwards


def test_batch_and_scripted_hosts_record_what_was_shown(server):
    batch = pds.BatchHost()
    pds.set_host(batch)
    server.DeleteTag("TagData", "Nope")
    assert batch.shown and batch.shown[0]["kind"] == "msgbox"
    scripted = pds.ScriptedHost('msgbox "Nothing" "expected" -> Yes\n')
    pds.set_host(scripted)
    server.DeleteTag("TagData", "Nope")
    assert scripted.failures and scripted.problems()
    with pytest.raises(ValueError, match="answer script"):
        pds.ScriptedHost("msgbox without quotes")


def test_a_dialog_is_played_inside_run_modal_and_refused_after_it(server):
    kept = []

    class Host:
        def run_modal(self, dialog):
            kept.append(dialog)
            assert dialog.name == "frmSaveProjectAs" and "cmdOK" in dialog.controls
            dialog.escape()

    pds.set_host(Host())
    code = server.ProjectSaveAs()
    assert code == pds.RETURN_USER_CANCEL and kept
    with pytest.raises(pds.StateError, match="closed"):
        kept[0].click("cmdOK")


def test_a_host_callback_may_not_call_back_into_the_component(server):
    class Reentrant(RecordingHost):
        def msgbox(self, prompt, style, title):
            server.ProjectNew()

    pds.set_host(Reentrant())
    with pytest.raises(pds.StateError, match="one at a time"):
        server.DeleteTag("TagData", "Nope")


@pytest.mark.parametrize("call, error, message", [
    pytest.param(lambda s: s.ProjectNew(), pds.StateError, "PDSInitialize", id="before-initialize"),
    pytest.param(lambda s: [s.PDSInitialize("/nonexistent/Code", "PMP10"), s.ProjectSave()], pds.StateError,
                 "PDSInitialize", id="after-failed-initialize"),
    pytest.param(lambda s: s.ProjectOpen(42), TypeError, "incompatible", id="wrong-argument-type"),
])
def test_misuse_of_a_fresh_service_object_raises(installation, call, error, message):
    pds.set_host(pds.BatchHost())
    with pytest.raises(error, match=message):
        call(pds.clsProjectDataServer())


def test_a_second_application_in_the_process_is_refused_until_the_first_exits(installation, server):
    other = pds.clsProjectDataServer()
    with pytest.raises(pds.StateError, match="runs the application PMP10"):
        other.PDSInitialize(installation["code"]["LAY10"], "LAY10")
    assert exit_unsaved(server) == pds.RETURN_OK
    assert other.PDSInitialize(installation["code"]["LAY10"], "LAY10") == pds.RETURN_OK
    assert exit_unsaved(other) == pds.RETURN_OK


def test_calls_after_exit_and_on_a_closed_record_set_raise(server):
    code, _, rs = server.NewTag("TagData", "P-1")
    rs.Close()
    with pytest.raises(pds.StateError, match="record set is closed"):
        rs["fFlowRate"]
    code, _, rs = server.NewTag("TagData", "P-2")
    with pytest.raises(pds.Error, match="3265") as missing:
        rs["NoSuchField"]
    assert missing.value.number == 3265
    with pytest.raises(TypeError):
        rs.Edit() or rs.__setitem__("fFlowRate", object())
    assert exit_unsaved(server) == pds.RETURN_OK
    with pytest.raises(pds.StateError, match="ExitProgram"):
        server.ProjectSave()
    assert rs.IsOpen in (True, False)  # the record set object itself stays safe to ask


def test_a_second_thread_is_refused_while_an_operation_runs(server):
    inside, refused = threading.Event(), []

    class Host:
        def msgbox(self, prompt, style, title):
            inside.set()
            worker.join(10)  # the other thread runs meanwhile: the GIL is free
            return pds.vbOK

    def other():
        inside.wait(10)
        try:
            server.ProjectNew()
        except pds.StateError as e:
            refused.append(str(e))

    worker = threading.Thread(target=other)
    worker.start()
    pds.set_host(Host())
    server.DeleteTag("TagData", "Nope")
    assert refused and "one at a time" in refused[0]
