# Every test gets a fresh installation; the working copies of untitled
# projects, which the component keeps in the temporary folder, stay in a
# folder of this run (the component reads TMPDIR when it first needs it).
import os
import shutil
import tempfile

os.environ["TMPDIR"] = tempfile.mkdtemp(prefix="pds-pytest-")

import pds  # noqa: E402
import pytest  # noqa: E402


def pytest_unconfigure(config):
    shutil.rmtree(os.environ["TMPDIR"], ignore_errors=True)


@pytest.fixture
def installation(tmp_path):
    yield pds.install(str(tmp_path / "inst"), apps=["PMP10", "LAY10"])
    pds.set_host(None)


@pytest.fixture
def server(installation):
    s = pds.clsProjectDataServer()
    assert s.PDSInitialize(installation["code"]["PMP10"], "PMP10") == pds.RETURN_OK
    yield s
    if s.initialized:
        pds.set_host(pds.BatchHost())
        exit_unsaved(s)


def exit_unsaved(server):
    """ExitProgram without the save question an untitled project would ask."""
    if server.Project:
        server.Project.bProjectDirty = False
    return server.ExitProgram()


def save_as(server, installation, name):
    folder = os.path.join(installation["tvxii"], "Projects", name)
    os.makedirs(folder)
    return server.ProjectSaveAs(folder, name)
