// The text of every manual page of `pds`, in the markup that help_text.cpp
// reads. Subcommand pages are keyed by the subcommand's name, session command
// pages by "session " and the command's name, topics by their own name.
// Listings (`pds --help`, the session's `help`) take their one-line
// summaries from here.
namespace pds::app {

extern const char* const kHelpPagesMarkup;

const char* const kHelpPagesMarkup = R"PAGES(
== demo
summary: Run the narrated life of one project shared by two applications (the main job)
synopsis: pds demo [DIR] [--keep] [--json]
# DESCRIPTION
Builds a fresh installation and drives the project data server, in this process, through the life of one project that two sample applications share: Pump Designer (PMP10, projects and tags) and Layout Planner (LAY10, projects only). Every step calls public operations of a clsProjectDataServer object exactly as an application would, then checks that the result code and the files and databases left behind are what the operation promises.

Each step prints one line "[n/N] what ... ok", followed by indented details (values read back, files found) and by every message box the component showed, with the answer given. A step that did not do what it should prints "FAILED" with the reason. The last line is "demo: K of N steps ok".

The demo never waits for input and needs no terminal: every message box is answered with its default button, and a dialog is closed as its Cancel button would close it (the folder dialog of step 13 excepted, which is answered with the sample project's folder). Nothing the steps do depends on an earlier step having succeeded beyond what the step itself says; a failed step is reported and the demo goes on.

The steps:
* 1
install an installation with PMP10, LAY10 and CAL10 (the builder of pds install)
* 2
PMP10 starts: PDSInitialize; a user without projects gets an untitled one
* 3
PMP10 starts a new project: ProjectNew; its first tag is Untitled1
* 4
NewTag "P-101": a row with the default value of each of its 300 fields, shown through the tag record set and DataDef(field).FriendlyName
* 5
CopyTag with no new name: P-101(1), a copy of every field
* 6
RenameTag P-101(1) to P-102
* 7
DeleteTag P-102; deleting it again answers RETURN_NO_TAGS
* 8
ProjectSaveAs into the installation's Projects folder as "Demo Plant": project file, project database, lock file, registration
* 9
the project's properties (job number, notes) set on the project record and saved: ProjectSave
* 10
close: PromptToSaveAndContinue, CloseCurrentProject; the lock file goes
* 11
reopen by name: ProjectOpen; tags and properties intact, the tags published in TagIndex of Project.mdb
* 12
PMP10 archives the project into the installation's Archives folder: ProjectArchive with the destination given; the archive holds PROJECT.QVP, Project.mdb and PMP10's archived data files, and its project file names "Demo Plant" with master archive version AR002
* 13
PMP10 converts the sample project of the earlier generation (QBM32, shipped beside the programs as previous/demo-plant) into a new project: ProjectNew; ProjectRetrieveFromPreviousVersion with the sample translator pds-translate, the folder dialog answered with the sample's folder; the working folder receives fresh application files and pds-translate writes the tags P-201, P-202, P-210 (TagData) and M-201 (Motor) into PMP10Tag.mdb; the answer is RETURN_OK, the tags are loaded, and no translator setting is left behind; the converted project is not saved
* 14
PMP10 exits: ExitProgram
* 15
LAY10 starts and opens the same project: PDSInitialize, ProjectOpen
* 16
LAY10 saves: ProjectSave registers its data; the project file lists both applications
* 17
a second LAY10 session (a second service object) is refused with "Project is already in use by another user." and ProjectOpen answers RETURN_USER_CANCEL
* 18
LAY10 archives "Demo Plant" with its own data into <installation>/Archives/Demo Plant LAY10.QVA: ProjectArchive with the destination given
* 19
LAY10 deletes its data, messages off: ProjectDelete; its files and its entry in the project file go, the project stays with PMP10's data
* 20
LAY10 starts a new project: ProjectNew; ProjectRetrieve, messages off, from PMP10's archive is refused (it holds no LAY10 data) and changes nothing; from LAY10's archive it succeeds: the never-saved project takes over the archived name and properties, LAY10's files are in the working folder, and both the project and the application are marked changed
* 21
LAY10 exits: ExitProgram
* 22
every project on the projects list is examined as pds check --root does: project file, required files, project database (integrity and structure version), no stale lock file, the list's row; nothing is changed

Without DIR the installation is built in a new folder under the temporary folder and removed at the end. With DIR it is built in DIR, which must not hold a TVX-ii folder yet, and kept. Either way the working copies of untitled projects, which the component keeps under the system temporary folder, are kept inside the demo's folder, so the demo never meets the working copies of other sessions.
# OPTIONS
* DIR
the folder that receives the installation (created when missing); kept afterwards
* --keep
keep the temporary folder and print where it is
* --json
print one JSON object per step instead of the narration: {"step":n,"of":N,"what":...,"ok":true|false,"reason":...,"details":[...],"messages":[{"kind":...,"title":...,"text":...,"answer":...}]}, then {"demo":"done","ok":K,"of":N}
# EXIT STATUS
* 0
every step did what it should
* 1
a step failed (the narration says which and why)
* 2
usage error
# EXAMPLES
  pds demo
  pds demo /tmp/demo-install --json
  pds demo --keep

== install
summary: Create an installation folder DIR/TVX-ii
synopsis: pds install DIR [--brand WORD] [--user-ids-required] [--apps LIST] [--json]
# DESCRIPTION
Lays out a complete installation in DIR/TVX-ii: the configuration database TVXxycfg.mdb (installed applications, their program files and data specifications, contact types, registered users), the environment folder Enviro with the templates Project.ro and Prjxy.ro, the brand logos, the folders Temp, Projects and Archives, and one program folder TVX-ii/PDSG/Code per sample application. An application started with that Code folder finds everything its startup checks for.

The sample applications are PMP10 (Pump Designer: projects and tags, with an application database, a tag database template whose tag type TagData has 300 fields, and a curve file), LAY10 (Layout Planner: projects, two data files) and CAL10 (Unit Calculator: no data).

The installation is built in a staging folder beside its final place and renamed into place when complete, so a failed build leaves nothing behind. A DIR that already holds a TVX-ii folder (in any letter case) is refused before anything is written: an existing installation holds the users' projects databases and its Projects folder may hold their projects, so it is never replaced. Remove it yourself, or choose another DIR.
# OPTIONS
* DIR
the folder that receives TVX-ii; created with its parents when missing
* --brand WORD
the brand: VELTRAX (default), DORNEL, HALVORN, TORSK or EXPORT, in any case
* --user-ids-required
the installation requires registered user IDs: an application's first start asks for the user's ID
* --apps LIST
the sample applications to install, separated by commas, each at most once (default PMP10,LAY10,CAL10)
* --json
print the result as one JSON object: {"ok":true,"installation":...,"config_db":...,"apps":[{"pdsg":...,"code":...}]} or {"ok":false,"error":...}
# OUTPUT
On success the installation folder and each application's Code folder, one per line; on failure one line on standard error naming the reason.
# EXIT STATUS
@exit
# EXAMPLES
  pds install /tmp/x
  pds install /tmp/x --brand DORNEL --apps PMP10,LAY10
  pds install /srv/tvx --user-ids-required --json

== session
summary: Run one application session against an installation
synopsis: pds session --root DIR --app PDSG [--user NAME] [--cmdline TEXT] [--ui HOST] [--script FILE] [--json]
# DESCRIPTION
Starts the application PDSG of the installation in DIR/TVX-ii as the application itself would: it creates one clsProjectDataServer object and calls PDSInitialize(sAppPath, sAppPdsg, sCommandLine) with DIR/TVX-ii/PDSG/Code, PDSG and the command line. Then it reads commands, one per line, from standard input or the --script file, and runs each through the component; at "exit" or the end of input it calls ExitProgram and ends.

Typed at a terminal, commands get a prompt (PDSG>) with line editing and a history. Words are separated by blanks; "double quotes" keep blanks in one word (\" and \\ inside), so a name with blanks is written in quotes: open "Demo Plant", delete "Demo Plant" --quiet. A line starting with # is a comment. "pds help session COMMAND", or "help COMMAND" inside the session, describes each command. A command prints its result name (RETURN_OK, RETURN_ERROR, RETURN_USER_CANCEL, RETURN_NO_TAGS, RETURN_TAG_ALREADY_EXISTS) and what changed; a failed command sets the exit code to 1 and the session goes on.

A line that does not fit its command is a usage error and runs nothing: an unknown command, a missing argument, a word more than the command takes (delete Demo Plant is refused; it never deletes "Plant"), an unknown option, an unterminated quotation mark, a name holding a control character, or a line longer than 65536 bytes. The command prints USAGE with the problem and its synopsis. At the prompt the error is shown and the next line awaited; from standard input or a --script file the session stops at that line with exit code 2 and says so on standard error, since the lines after it were written expecting it to have run. Output shows control characters in names and paths as escapes (\x1b, \u009b, and \xff for a byte that is not UTF-8); with --json such a byte becomes U+FFFD, so every line is valid JSON.

The commands: help, status, new, open, select, save, save-as, close, delete, archive, retrieve, retrieve-previous, export, export-clear, find-project, find-projects, properties, set, projects, mru, lock, config, proj-config, tags, tag, datadef, exit.
# OPTIONS
* --root DIR
the folder holding the installation's TVX-ii folder (required)
* --app PDSG
the application's program designation, such as PMP10 (required)
* --user NAME
the network user name, handed to the component as /U:[NAME] on the command line
* --cmdline TEXT
the command line handed to PDSInitialize (switches /B brand, /U network user, /P program folder)
* --ui HOST
how messages and dialogs are shown (default: terminal when standard input and output are a terminal, batch otherwise): "terminal" draws them on the terminal and asks the user; "batch" answers every question with its default button and writes messages to standard error; "qt" shows them as desktop windows (needs a display, or QT_QPA_PLATFORM=offscreen); "script:FILE" takes the answers from FILE (see pds help answers) and ends the session with exit code 3 on anything the file did not expect
* --script FILE
read the commands from FILE instead of standard input; a folder, or a file whose line goes on past 65536 bytes (such as /dev/zero), is a usage error
* --json
print one JSON object per command: {"command":...,"result":...,FIELD:VALUE...}
# EXIT STATUS
@exit
# NOTES
PMP10 opens its application database exclusively, so one PMP10 session runs at a time per installation. Two LAY10 sessions on the same project show the project lock: the second one's open answers RETURN_USER_CANCEL after "Project is already in use by another user.".
# EXAMPLES
  printf 'status\nexit\n' | pds session --root /tmp/x --app PMP10 --ui batch
  printf 'new\nsave-as /tmp/p/Alpha Alpha\nexit\n' | pds session --root /tmp/x --app LAY10 --ui batch
  pds session --root /tmp/x --app LAY10 --ui script:answers.txt --script commands.txt --json

== archive-info
summary: Show what a project archive (.QVA) holds
synopsis: pds archive-info FILE [--json]
# DESCRIPTION
Reads a project archive without an installation and prints what the retrieve's information dialog shows of it: the archive's master archive version, the archive file's creation and last-write times (local date and time in the user's locale), the archived project's properties from its project file PROJECT.QVP (Project Name, Project Number, Project Date, Contact Type, Contact Name, Salesperson, Last Modified, Project Notes), and under "Contains Data For:" each application with data in the archive: its designation and its name, followed by " v" and the designation's last two characters joined by "." when the name does not end in a digit (PMP10, Pump Designer: "Pump Designer v1.0").

The archive is treated as hostile: PROJECT.QVP is extracted by the archive reader, which refuses damaged archives and entries with a path part, into a private temporary folder that is removed afterwards. A missing, damaged or refused archive, or one without PROJECT.QVP, is reported on standard error (with --json as {"ok":false,"error":...}) with exit code 1.
# OPTIONS
* FILE
the archive file
* --json
print one JSON object: {"ok":true,"archive":...,"master_archive_version":...,"created":...,"last_modified":...,"properties":{...},"applications":[{"pdsg":...,"name":...}]}
# EXIT STATUS
@exit
# EXAMPLES
  pds archive-info "/tmp/x/TVX-ii/Archives/Demo Plant.QVA"
  pds archive-info plant.qva --json

== check
summary: Examine projects without changing them
synopsis: pds check [FOLDER] [--root DIR] [--json]
# DESCRIPTION
Examines the project folder FOLDER, or with --root alone every project on the projects lists of the installation at DIR, and prints one line "FOLDER: problem" for each problem found, then the number of projects checked and of problems. Nothing is changed: no file is written, no lock is taken, and the journal of a change that was cut short is reported, not rolled back (the next open of the project rolls it back).

A healthy project has: a project file PROJECT.QVP that can be read and names the project; every file its file specifications mark as required; a project database Project.mdb that passes SQLite's integrity check and carries the structure version this component writes; and no stale lock file (a *.PLF file no running session holds; the next open takes it over, but it shows that a session ended without closing the project). With --root, the applications the project file lists must be installed, the projects lists must pass their integrity check, and a row of a projects list must point at the folder under the project file's name.
# OPTIONS
* FOLDER
the project folder to examine
* --root DIR
the installation (the folder holding TVX-ii, or TVX-ii itself); alone, every project its projects lists hold is examined
* --json
print one JSON object: {"ok":...,"projects":[{"folder":...,"name":...,"ok":...,"problems":[...]}]}; when the installation cannot be read, {"ok":false,"error":...}
# EXIT STATUS
0 when every project examined is healthy; 1 when a problem was found or the installation cannot be read; 2 when neither FOLDER nor --root is given or the command line is wrong.
# EXAMPLES
  pds check "/tmp/x/TVX-ii/Projects/Demo Plant"
  pds check --root /tmp/x
  pds check --root /tmp/x --json

== search
summary: List the projects below a folder
synopsis: pds search FOLDER [--json]
# DESCRIPTION
Walks FOLDER and every folder below it, as the project search dialog does, and prints one line per project file PROJECT.QVP found (its name in any case): the project name it holds, its folder and the designations of the applications with data in it (its "Application Data" section), separated by tabs, then the number of projects found. Projects are listed in the search's order: a folder's own project file before those of its subfolders, subfolders in the order the folder lists them. Folders that cannot be read count as empty; symbolic links are not followed. No installation and no projects list are needed.
# OPTIONS
* FOLDER
the folder to search
* --json
print one JSON object: {"ok":true,"folder":...,"projects":[{"name":...,"folder":...,"applications":[...]}]}
# EXIT STATUS
@exit
# EXAMPLES
  pds search /srv/projects
  pds search . --json

== selfcheck
summary: Print the version and check the database engine
synopsis: pds selfcheck
# DESCRIPTION
Prints the component's version, then checks on a scratch database in the temporary folder that the database engine works the way the component uses it: a table defined with field sizes and an auto-number, rows added through a record set, text found without regard to case, a statement of the engine's dialect, a compact and a read back. One line per check, then "self-check: passed" or "self-check: FAILED".
# EXIT STATUS
@exit
# EXAMPLES
  pds selfcheck

== help
summary: Show the manual page of a command, a session command or a topic
synopsis: pds help [COMMAND]
synopsis: pds help session [COMMAND]
synopsis: pds help answers
synopsis: pds help --all | --check
synopsis: pds help --man FOLDER
synopsis: pds COMMAND --help
# DESCRIPTION
Without arguments lists the commands, as pds --help does. "pds help COMMAND" and "pds COMMAND --help" print the manual page of a command of pds; "pds help session COMMAND" that of a command typed inside a session (the same page "help COMMAND" shows in the session); "pds help answers" the format of the answer files of --ui script:FILE.

An unknown name is a usage error, with the nearest known name suggested.
# OPTIONS
* COMMAND
a command of pds, "session" followed by a session command, or a topic (answers)
* --all
print every page
* --check
check that every command of pds, every option of each and every session command has its page; print what is missing and exit 1 when something is
* --man FOLDER
write the pages as manual pages in the man(7) format into FOLDER (created when missing): pds.1, one pds-COMMAND.1 per command and topic, the session commands in pds-session.1; the build writes them this way and installs them under share/man/man1
# EXIT STATUS
@exit
# EXAMPLES
  pds help install
  pds help session open
  pds demo --help

== completion
summary: Print the bash completion script
synopsis: pds completion SHELL
# DESCRIPTION
Prints a bash completion script for pds: the commands, their options, the values of --brand, --apps and --ui, the designations installed under the TVX-ii folder of the --root given on the same line for --app, folders and files where a command takes them. Session commands are typed at the session's prompt and are not completed.

The installation installs the same script as share/bash-completion/completions/pds, which bash-completion loads on first use.
# OPTIONS
* SHELL
the shell to complete for; bash is the one there is
# EXIT STATUS
@exit
# EXAMPLES
  source <(pds completion bash)
  pds completion bash > ~/.local/share/bash-completion/completions/pds

== topic answers
summary: The answer files of pds session --ui script:FILE
synopsis: pds session --root DIR --app PDSG --ui script:FILE
# DESCRIPTION
An answer file lists, in order, what the component is expected to show and how the user answers. Each message box, input box, dialog, folder browser and file dialog the component shows takes the next step of the file; anything shown that the file did not expect, or shown with another title or text, ends the session with exit code 3, and so does a step that is still waiting when the session ends.

One step per line; blank lines and lines starting with # are ignored. Texts are in double quotes with the escapes \r, \n, \t, \" and \\ (the component's messages use \r followed by \n for a line break). Answers are OK, Cancel, Abort, Retry, Ignore, Yes, No (any case) or a number; "-> answer" may be left out for OK.
# STEPS
* msgbox "TITLE" "TEXT" -> ANSWER
the next message box, with exactly this title and text
* msgbox "TITLE" ~"FRAGMENT" -> ANSWER
the next message box, whose text contains the fragment
* input "TITLE" -> "ANSWER"
the next input box, answered with the text
* input "TITLE" -> cancel
the next input box, cancelled
* dialog FORM
the next modal dialog, by its form name (frmSelect, frmSaveProjectAs, frmFolder, frmNew ...); the action lines after it play the user's part while it is open
* folder "PATH" | folder cancel
the folder browser's answer
* file "PATH" | file cancel
the file dialog's answer
# ACTIONS
Actions act on the innermost open dialog, or on the one named first with @FORM. Indentation is for the reader only; a message box or dialog an action causes takes the next steps, and the actions after those go on with the dialog open then.
* type CONTROL "TEXT"
type into a text box
* click CONTROL
press a button
* dblclick LIST N
double-click item N of a list view (0 or none: empty space)
* check LIST N | check LIST N off | uncheck LIST N
set a check mark
* select CONTROL N
choose entry N (list views count from 1, lists from 0)
* tab CONTROL N
choose a tab
* column LIST N
click a column header
* key CONTROL CODE
press a key on a control
* focus CONTROL
move the focus
* enter | escape | close
press Enter, Escape, or the close box
* @FORM ACTION
an action meant for the dialog named FORM
# EXAMPLES
  # A user's first start on an installation that requires user IDs
  input "Application Startup" -> "jsmith"
  msgbox "Register User ID" ~"is not registered" -> Yes
  # Open a project in the select dialog
  dialog frmSelect
    dblclick lvwProjects 1
  # Save as into an empty folder
  dialog frmSaveProjectAs
    type txtName "Alpha"
    click cmdOK

== session help
summary: List the session's commands, or show the page of one
synopsis: help [COMMAND]
# DESCRIPTION
Without an argument lists every command with its synopsis and summary. With one prints the command's manual page, the same page as pds help session COMMAND. Calls no operation of the component.
# RESULTS
Always succeeds, except for an unknown COMMAND, which is named with the nearest known one and fails the command.
# EXAMPLES
  help
  help save-as

== session status
summary: Show the application, its folders, the user and the current project
synopsis: status
# DESCRIPTION
Shows who the application is and where things are: designation, name and version, data style (PROJECT_SUPPORT, TAG_SUPPORT), the network user and the registered user ID, the installation folder, the projects database, the default projects folder and the number of the user's projects. With a current project also its name, project folder, working folder, whether the project and the application have unsaved changes, and the applications whose lock the record holds.
# OPERATION
ProjectCount(lNumberOfProjects) for the number of projects (no designation: every project of the user); the rest is read from the properties of the service object and of its Project.
# OUTPUT
"status: RESULT" and one line per value.
# RESULTS
ProjectCount's result: RETURN_OK, or RETURN_ERROR when the projects database cannot be read.

== session new
summary: Start a new untitled project
synopsis: new
# DESCRIPTION
Asks whether to save the current project when it has changes, closes it, and makes a new untitled project current, with its working folder under the system temporary folder. For an application with tag support the new project gets its first tag, Untitled1.
# OPERATION
ProjectNew()
# OUTPUT
"new: RESULT", then the current project's name, folder ("(not saved)") and job id.
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when the save question was cancelled (the current project stays); RETURN_ERROR when the working folder or the application's files could not be made.

== session open
summary: Open a project by name, or choose it in the select dialog
synopsis: open [NAME]
# DESCRIPTION
Asks whether to save the current project, then opens the project: its registration and properties are read, its data verified, the previous project closed, the project locked for this application and the application's files staged into its working folder inside the project folder. Without NAME the select dialog lists the user's projects.
# OPERATION
ProjectOpen(sJobName, sProjectType, bShowNewButton) with sJobName = NAME (or empty), sProjectType empty, bShowNewButton False.
# OUTPUT
"open: RESULT", then the current project's name, folder and job id.
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when a question or the dialog was cancelled, or when another user has the project open with this application ("Project is already in use by another user."); RETURN_ERROR when the project is not in the projects database, its folder is missing or its data does not verify. Whatever happens, a current project is left: an untitled one when the open failed after closing the previous project. USAGE, opening nothing, for more than one name: a name with blanks must be quoted.
# EXAMPLES
  open "Demo Plant"
  open Plant

== session select
summary: Choose a project in the select dialog without opening it
synopsis: select
# OPERATION
SelectProject(sSelectedProjectName, sSelectedProjectPath, lSelectedProjectID, sDefaultType, lProjectMode, bShowNewButton) with sDefaultType empty, lProjectMode SELECT_MODE, bShowNewButton False.
# OUTPUT
"select: RESULT", then the chosen project's name, folder and job id.
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when the dialog was cancelled or the user has no projects ("There are no projects to select.").

== session save
summary: Save the current project
synopsis: save
# DESCRIPTION
Copies the application's files from the working folder back into the project folder, deletes there the application's data files that were deleted from the working copy, writes the properties into Project.mdb and the project file PROJECT.QVP, registers the project and the application in the projects database, and for an application with tags publishes them into TagIndex of Project.mdb. An untitled project is saved through save as, which shows the save-as dialog.
# OPERATION
ProjectSave()
# OUTPUT
"save: RESULT", then the current project's name, folder and job id.
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when the save-as dialog of an untitled project was cancelled; RETURN_ERROR when something could not be written (the working copy stays as it was, so the save can be tried again).

== session save-as
summary: Save the current project under a new name in a new folder
synopsis: save-as [FOLDER NAME]
# DESCRIPTION
Saves the current project as a new project: the project database is created in FOLDER from its template, the working files are copied there, the project is registered under NAME with a new job id, and the new project is opened in place of the old one, whose folder stays as it was at its last save. FOLDER must exist and be empty. Without arguments the save-as dialog asks for both; give both or neither.
# OPERATION
ProjectSaveAs(sNewJobPath, sNewProjName) with sNewJobPath = FOLDER, sNewProjName = NAME (both empty without arguments).
# OUTPUT
"save-as: RESULT", then the current project's name, folder and job id.
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when the dialog was cancelled or the new folder is locked by another user; RETURN_ERROR when the folder is missing, its path too long, or the save failed. USAGE with one argument or more than two (quote a folder or name with blanks).
# EXAMPLES
  save-as /tmp/p/Alpha Alpha
  save-as "/srv/projects/Demo Plant" "Demo Plant"

== session close
summary: Ask to save, then close the current project
synopsis: close
# DESCRIPTION
Asks whether to save the current project when it has changes (Yes saves it), then closes it: the tag collections are emptied, the working folder removed and the lock released. The session is left without a current project until the next new or open.
# OPERATION
PromptToSaveAndContinue(), then, when it answered RETURN_OK, CloseCurrentProject().
# OUTPUT
"close: RESULT", then "current project: (none)".
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when the save question was cancelled (nothing closed); RETURN_ERROR when the save failed or CloseCurrentProject answered False (the working folder could not be removed).

== session delete
summary: Delete this application's data from a project
synopsis: delete [NAME] [--quiet]
# DESCRIPTION
Removes the application's data from the project NAME, or from the project chosen in the select dialog. When no other application keeps data in the project, the whole project goes: its files, its project file, its row in the projects database and its folder. Otherwise only this application's files, its entry in the project file and its usage row go, and the project stays for the others. With messages on, the component asks "Delete all ... data in project [NAME]?" first (default No).
# OPERATION
ProjectDelete(sJobName, bShowMsgs) with sJobName = NAME (or empty), bShowMsgs False with --quiet, True otherwise.
# OUTPUT
"delete: RESULT", then the current project's name, folder and job id (an untitled one when the current project was deleted).
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when the question was not answered Yes, the application has no data in the project, or another user has it open with this application; RETURN_ERROR when the project or its project file is missing or a file could not be deleted. With --quiet nothing is asked and nothing shown, not even errors. USAGE, deleting nothing, for more than one name or an unknown option: a name with blanks must be quoted.
# EXAMPLES
  delete "Demo Plant" --quiet
  delete Plant

== session archive
summary: Archive the current project into a .QVA file
synopsis: archive [FILE]
# DESCRIPTION
Writes the current project into one archive file (a standard zip): the freshly built project file PROJECT.QVP (also written into the working folder), the project database Project.mdb and each data file of this application whose specification is marked for archiving, under their bare names in that order. A project with unsaved changes, never saved, or without this application's data registered is saved first: with FILE at once (a never-saved project through the save-as dialog); without FILE after the question "Project 'NAME' must be saved in order to archive its data." (OK or Cancel), and then the save-file dialog "Archive" asks for the file, starting in the installation's Archives folder (created when missing). A failed run leaves no new file behind and an older archive of the same name as it was.
# OPERATION
ProjectArchive(sDestFile) with sDestFile = FILE (or empty), trimmed and handed back.
# OUTPUT
"archive: RESULT", then the current project's name, folder and job id, and the archive file when FILE was given.
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when the question, the save or the file dialog was cancelled; RETURN_ERROR without a current project, when the project folder is gone, or when the archive could not be written ("Error writing archive data.  Archive file not created."). USAGE for more than one word: a file name with blanks must be quoted.
# EXAMPLES
  archive /tmp/alpha.qva
  archive "/srv/archives/Demo Plant.QVA"
  archive

== session retrieve
summary: Take this application's data from an archive into the current project
synopsis: retrieve [FILE] [--quiet]
# DESCRIPTION
Reads the project file inside the archive FILE (.QVA), checks its archive version (AR002) and that the archive holds this application's data, and replaces the application's files in the working folder with the archived ones; a project never saved also takes over the archived name and properties. Without FILE the component asks for the archive in a file dialog (in <installation>/Archives) and shows what it holds in the archive information dialog, whose Browse goes back to the file dialog; the whole working folder is emptied first. With FILE only this application's files (its designation followed by *.*) are replaced. Every entry taken is checked before anything is removed, so a damaged or hostile archive changes nothing. The project folder is written only by a later save.
# OPERATION
ProjectRetrieve(sArchiveFile, bShowMsgs) with sArchiveFile = FILE (or empty), bShowMsgs False with --quiet, True otherwise.
# OUTPUT
"retrieve: RESULT", then the current project's name, folder and job id, "project dirty" and "application dirty".
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when the save question, the file dialog or the information dialog was cancelled; RETURN_ERROR when there is no current project, the archive is missing, damaged or of another version, or holds no data of this application. With --quiet the archive's own messages and the success message are not shown. USAGE, retrieving nothing, for more than one file or an unknown option: a path with blanks must be quoted.
# EXAMPLES
  retrieve "/srv/tvx/Archives/Demo Plant.QVA"
  retrieve /srv/tvx/Archives/Job.QVA --quiet
  retrieve

== session retrieve-previous
summary: Convert a project of the earlier generation into the current project through a translator program
synopsis: retrieve-previous TRANSLATOR [FOLDER]
# DESCRIPTION
Asks whether to save the current project, checks that the program TRANSLATOR exists (refused before any dialog when it does not), asks for the earlier project's folder in the folder dialog ("Retrieve Previous Version", starting in /TVX-II/QBM32), empties the application's working folder and puts fresh application files there, then runs TRANSLATOR and waits for it while the session stays responsive. The folders and the outcome travel through per-user settings in ${XDG_CONFIG_HOME:-$HOME/.config}/tvx-ii/ProjectDataServer.ini, section [Translator], and the command line "TRANSLATOR [ProjectDataServer] [Translator] [SourceFolder] [TargetFolder] [ResultCode]"; the three settings are gone afterwards, whatever the outcome. `pds-translate --help` describes the protocol in full and the earlier format the sample translator pds-translate reads. With FOLDER the folder dialog is answered with FOLDER as if typed and confirmed with OK. The project folder is written only by a later save; a failed conversion, or one the user cancels in the translator, loads the current project again.
# OPERATION
ProjectRetrieveFromPreviousVersion(sTranslatorExePath) with sTranslatorExePath = TRANSLATOR.
# OUTPUT
"retrieve-previous: RESULT", then the current project's name, folder and job id, "project dirty" and "application dirty".
# RESULTS
RETURN_OK when the translator wrote ResultCode -1; RETURN_USER_CANCEL when the save question or the folder dialog was cancelled, when the translator wrote -2, or at once when a conversion is already running in this session; RETURN_ERROR when TRANSLATOR does not exist or cannot be started, when the working folder cannot be prepared, or when the translator wrote anything else or nothing ("Retrieve from previous version failed.", after the translator's own reason when it gave one).
# EXAMPLES
  retrieve-previous /usr/local/bin/pds-translate /srv/qbm32/Demo-Plant
  retrieve-previous "/opt/tvx/bin/pds-translate" "/srv/old projects/Plant 7"
  retrieve-previous /usr/local/bin/pds-translate

== session export
summary: Publish tag data from a JSON file into the current project's TagIndex and TagData tables
synopsis: export FILE [--keep]
# DESCRIPTION
Reads an export set from the JSON file FILE and writes it into the shared tables of the current project's database Project.mdb, where the other applications read it: one TagIndex row per tag, and one TagData row per item under the number the database gives the tag's row. The project must have been saved. By default this application's earlier export (its code and version) is removed first and the database compacted, so exporting twice leaves one set of rows; --keep adds to what is there.

The file holds one object with an array "tags"; the field names are the export classes' property names, and every field is optional:
  {"tags": [{"TagName": "P-101", "StatusIndicator": "1",
             "LastModified": "2026-12-05 12:00",
             "LastModifiedDate": "2026-12-05 12:00:00",
             "TableName": "TagData", "LocalTagID": 7, "EquipmentType": 2,
             "StreamVersion": 1.5, "AppName": "PMP", "AppVersion": "10",
             "items": [{"Key": "Flow", "Value": "12.5", "SequenceNumber": 1}]}]}
Text fields take text; LocalTagID, EquipmentType and SequenceNumber take whole numbers from -2147483648 to 2147483647; StreamVersion any number; LastModifiedDate a date "yyyy-mm-dd hh:mm:ss" or "yyyy-mm-dd". Each tag is added with AddTag(TagName, this application's designation), so AppName and AppVersion are the designation's first three and last two characters unless the tag gives them. Tag names are trimmed of blanks, item keys kept as written; both compare without regard to case, and a tag name, or an item key within a tag, may appear once. An item needs a Key that is not empty, as the TagData column sKey takes no empty text.

The whole file is checked before anything is written: malformed JSON (it must be strict JSON in UTF-8: no comments, no trailing commas, no member twice in an object), a value of the wrong type, an unknown field, an item without a key, or a second tag of a name or a second item of a key is refused with the place, as "line L, column C" and, once the JSON is well formed, the path of the value (tags[2].items[0].Key). Nothing is written then.

What the component writes: TagIndex columns sApp, sAppVer, lLocalID, fStreamVersion, sTagName (the first 50 characters), sLastModified (the first 24), LastModifiedDate, sStatusIndicator, TableName, lEquipType; TagData columns lTagId, lSeqNumber, sKey, sValue. An item whose key or value is longer than its column is left out without a message; the tag's other items are written.
# OPERATION
ExportTagData(ExportTags, sPdsg, Project, bClearCurrentDataFirst) with sPdsg empty (this application), no project (the current one) and bClearCurrentDataFirst False with --keep, True otherwise.
# OUTPUT
"export: EXPORTED" or "export: NOT_EXPORTED" with the file, the number of tags and items read, whether the earlier export was cleared first, and the project folder; "export: REFUSED" with the file and the problem when the file cannot be read or is refused.
# RESULTS
EXPORTED when every tag was written; NOT_EXPORTED when the component refused (no tags, a project never saved: "Project must be saved before writing Indexed Tag data.") or a database fault stopped it, with its message shown; tags written before a fault stay written. REFUSED writes nothing. USAGE for a missing file, more than one file or an unknown option.
# EXAMPLES
  export /tmp/pumps.json
  export "/srv/exports/Demo Plant.json" --keep

== session export-clear
summary: Remove an application's published tag data from the current project and compact the database
synopsis: export-clear [PDSG]
# DESCRIPTION
Deletes the TagIndex rows of the application PDSG (default: this application) from the current project's Project.mdb, by its code (the first three characters) and version (the fourth and fifth); their TagData rows go with them through the tables' cascading relation. The database is then compacted into a temporary file in the project folder, which replaces it. The project must have been saved.
# OPERATION
ClearExportTagData(sPdsg, Project) with sPdsg = PDSG (or empty) and no project (the current one).
# OUTPUT
"export-clear: CLEARED" or "export-clear: NOT_CLEARED" with the designation and the project folder.
# RESULTS
CLEARED when the rows were deleted and the database compacted; NOT_CLEARED for a project never saved, a database that cannot be opened exclusively, "Error deleting old export Tag data." or "Error compacting project database.".
# EXAMPLES
  export-clear
  export-clear LAY10

== session properties
summary: Edit the current project's properties in the properties dialog
synopsis: properties
# DESCRIPTION
Shows the project properties editor for the current project (name, number, date, contact, sales person, notes, category). Without a current project the component reports "No current project." and starts a new one.
# OPERATION
ProjectProperties()
# OUTPUT
"properties: RESULT", then the current project's name, folder and job id.
# RESULTS
RETURN_OK when the editor was shown; RETURN_ERROR without a current project.

== session set
summary: Set a property of the current project record
synopsis: set JOBFIELD VALUE
# DESCRIPTION
Sets one descriptive property on the current project record without a dialog and marks the project changed; the next save writes it into the Properties table of Project.mdb and into the project file. JOBFIELD is one of JobName, JobNumber, JobDate, ContactName, ContactType, SalesPerson, Notes, ProjectCategory (a number).
# OPERATION
No operation of the component: the project record's own property (Project.JobNumber = VALUE ...) and ProjectDirty = True.
# OUTPUT
"set: RETURN_OK", the field and its new value, and "project dirty: yes".
# RESULTS
RETURN_OK; RETURN_ERROR without a current project; USAGE for an unknown field or a wrong number of arguments (a value with blanks goes in quotes).
# EXAMPLES
  set Notes "Cooling water pumps for unit 100"

== session projects
summary: List the user's projects, or those of one application
synopsis: projects [--app PDSG]
# DESCRIPTION
Lists the projects of the user's projects database, each with its job id and folder; with --app only those in which the application PDSG keeps data.
# OPERATION
The projects list (clsProjects.GetProjects(table, sPdsg)) over the service object's ProjectDb, with sPdsg = PDSG or empty.
# OUTPUT
"projects: RESULT", then one line per project: name, "id N" and the folder.
# RESULTS
RETURN_OK; RETURN_ERROR when the projects database cannot be read; USAGE for other arguments.

== session find-project
summary: Search for a lost project and reconnect it to the projects list
synopsis: find-project NAME [--in FOLDER]
# DESCRIPTION
Shows the search dialog (Find Project) for the project NAME, starting in the default projects folder, or in FOLDER with the search started at once. The dialog lists the folders holding a project file that names NAME; Reconnect points the listed project at the checked folder (sJobPath, sDOSJobPath) and rewrites its JobUsage rows from the project file.
# OPERATION
FindAndReconnectProject(sJobName, bChanged) with the search folder FOLDER.
# OUTPUT
"find-project: RECONNECTED" or "find-project: NOTHING_CHANGED", the answer (2 after a reconnection, else 0) and whether the projects list changed.
# RESULTS
RECONNECTED after Reconnect; NOTHING_CHANGED when the dialog was cancelled or nothing was checked (a session without an answer script cancels every dialog). USAGE for other arguments.
# EXAMPLES
  find-project "Demo Plant" --in /srv/moved

== session find-projects
summary: Search for projects that are not on the projects list and add them
synopsis: find-projects [--in FOLDER]
# DESCRIPTION
Shows the search dialog (Find All Projects), starting in the default projects folder, or in FOLDER with the search started at once. It lists every project below the folder whose name and folder are not on the user's projects list; Add writes the checked ones to the list. A name already listed for a folder that still holds that project is refused with "Cannot Add Project".
# OPERATION
FindAndAddProjects(bChanged) with the search folder FOLDER.
# OUTPUT
"find-projects: ADDED" or "find-projects: NOTHING_CHANGED", the answer (1 after an addition, else 0) and whether the projects list changed.
# RESULTS
ADDED after Add; NOTHING_CHANGED when the dialog was cancelled or nothing was checked. USAGE for other arguments.
# EXAMPLES
  find-projects --in /srv/shared

== session mru
summary: Show the recently used projects, most recent first
synopsis: mru
# OPERATION
No operation: the service object's MRUJobs list, as loaded at initialization and updated by each open.
# OUTPUT
"mru: RETURN_OK", then one line per project: its position, name and job id.
# RESULTS
Always RETURN_OK.

== session lock
summary: Lock the current project for every installed application
synopsis: lock
# DESCRIPTION
Takes the lock file ~PDSG.PLF in the project folder for each installed application, in the order of the installed-applications list, as a maintenance task does to keep every application out of a project. The locks last until the project is closed.
# OPERATION
LockProject() (no project given: the current project).
# OUTPUT
"lock: RESULT", then the current project's name, folder and job id.
# RESULTS
RETURN_OK when LockProject answered True (also without a project, or for an untitled project); RETURN_ERROR when a lock could not be taken ("Project is already in use by another user." for a lock another user holds).

== session config
summary: Read or write a user-wide configuration value
synopsis: config get KEY [PDSG]
synopsis: config set KEY VALUE [PDSG]
# DESCRIPTION
Reads or writes a value of the Config table of the user's projects database, for the application PDSG (default: this application; XXXYY stands for every application).
# OPERATION
get: GetConfigValue(sKey, sRetValue, sDefault, sPdsg) with sDefault empty. set: SetConfigValue(sKey, sValue, sPdsg).
# OUTPUT
"config: FOUND" or "config: NOT_FOUND" with the key and the value read; "config: WRITTEN" or "config: NOT_WRITTEN" with the key and the value.
# RESULTS
A get always succeeds; a set fails with NOT_WRITTEN; USAGE for other arguments.
# EXAMPLES
  config get DefaultProjectFolder XXXYY
  config set Units Metric

== session proj-config
summary: Read, write or delete a configuration value of the current project
synopsis: proj-config get KEY
synopsis: proj-config set KEY VALUE
synopsis: proj-config delete KEY
# DESCRIPTION
Works on the Config table of the current project's Project.mdb, for this application; a value written is also kept in the project file.
# OPERATION
get: GetProjConfigValue(sKey, sRetValue). set: SetProjConfigValue(sProjectDb, sKey, sValue) with sProjectDb empty (the current project's database). delete: DeleteProjConfigValue(sKey).
# OUTPUT
"proj-config: FOUND" or "NOT_FOUND" with the key and value; "WRITTEN" or "NOT_WRITTEN"; "DELETED" or "NOT_DELETED".
# RESULTS
A get always succeeds; set and delete fail with NOT_WRITTEN and NOT_DELETED; USAGE for other arguments.

== session tags
summary: List the tags of the current tag type in their order
synopsis: tags
# DESCRIPTION
Lists the tags the application keeps in the current project for the current tag type (DefTagType: TagData unless changed with tag type), as loaded into the UnitTags collection.
# OPERATION
No operation: the service object's UnitTags collection.
# OUTPUT
"tags: RETURN_OK", the tag type, then one line per tag: its position, name and id.
# RESULTS
Always RETURN_OK; USAGE with arguments.

== session tag
summary: Create, open, copy, rename, delete or save a tag of the current tag type, or switch the tag type
synopsis: tag new [NAME]
synopsis: tag open NAME
synopsis: tag copy NAME [NEW]
synopsis: tag rename NAME [NEW]
synopsis: tag delete NAME
synopsis: tag save-as NAME [NEW]
synopsis: tag save
synopsis: tag save-all
synopsis: tag type [TYPE]
# DESCRIPTION
Each verb runs one tag operation of the component on the current tag type (DefTagType) with the one tag record set the session keeps, as an application keeps its rsTag, and with messages on. Names are trimmed; a tag created, opened, copied or renamed is left open as the current tag. Meant for applications with tag support.
# OPERATION
* new
NewTag(sTagType, sNewTagName, rsTag, bShowMsgs): a new row with the default value of every field of the tag type's data definitions; an empty NAME, or one beginning with Untitled, gets the next free Untitled number
* open
OpenTag(sTagType, sTagName, rsTag, bShowMsgs)
* copy
CopyTag(sTagType, sTagName, sNewTagName, rsTag, bShowMsgs): without NEW the copy of Pump is Pump(1), then Pump(2)
* rename
RenameTag(sTagType, sTagName, sNewTagName, rsTag, bShowMsgs): without NEW the name entry dialog asks
* delete
DeleteTag(sTagType, sTagName, bShowMsgs)
* save-as
SaveTagAs(sTagType, sTagName, sNewTagName, rsTag, bShowMsgs): without NEW the name entry dialog asks
* save
SaveTag(rsTag, sTagName) with the current tag: a provisional tag named Untitled gets its name from the name entry dialog
* save-all
SaveAllTags(rsTag)
* type
ResetTagType(sTagType): makes TYPE the current tag type and reloads its tags; without TYPE shows the current one
# OUTPUT
"tag VERB: RESULT", the names the operation left in its arguments, then the tag type, the number of its tags, the current tag, the row of the record set and whether the project and the application have unsaved changes.
# RESULTS
RETURN_OK; RETURN_ERROR (also for tag save with no tag open, and for a tag type that cannot be loaded); RETURN_USER_CANCEL when a name dialog was cancelled, or when a new tag's name is taken; RETURN_NO_TAGS when the tag does not exist; RETURN_TAG_ALREADY_EXISTS when the new name of a copy or rename is taken. USAGE for a missing name or an unknown verb.
# EXAMPLES
  tag new P-101
  tag copy P-101
  tag rename "P-101(1)" P-102
  tag type Motor

== session datadef
summary: Show the data definition of a field of a tag table
synopsis: datadef FIELD [TABLE]
# DESCRIPTION
Shows how a field of a tag table is described in the application's data-definition table: friendly and external names, minimum and maximum, factory and user defaults, display formats, unit class, visibility and group. TABLE defaults to the current tag type.
# OPERATION
DataDef(sField, sTable)
# OUTPUT
"datadef: FOUND" or "datadef: NOT_FOUND", then one line per property of the definition (Table, Field, FriendlyName, ExternalName, Min, Max, Default, UserDefault, Format, FormatMetric, Units, DisplayNever, UserDefined, GroupID).
# RESULTS
FOUND when a definition of that table and field exists. NOT_FOUND fails the command; the properties shown are then those of the last definition found, which the component keeps. USAGE for a wrong number of arguments.
# EXAMPLES
  datadef fFlowRate
  datadef lPoles Motor

== session exit
summary: End the session
synopsis: exit
synopsis: quit
# DESCRIPTION
Asks whether to save the current project when it has changes, writes the recently used list back, closes the project and ends the session. The end of the input does the same.
# OPERATION
ExitProgram()
# OUTPUT
"exit: RESULT"
# RESULTS
RETURN_OK; RETURN_USER_CANCEL when the save question was cancelled (the session still ends, with exit code 1).
)PAGES";

}  // namespace pds::app
