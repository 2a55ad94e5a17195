// `pds completion bash`: the bash completion script. The commands and their
// options are read from the command line's own definitions, so the script
// always offers what the parser accepts; the values of a few options (brands,
// sample applications, UI hosts, the designations under --root) come from
// the fixed part below. The installed copy (scripts/pds-completion.bash) is
// this output, and a test keeps the two equal.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "apps/pds/commands.h"
#include "apps/pds/help_text.h"
#include "apps/pds/session.h"

namespace pds::app {

namespace {

// Before the per-command table.
constexpr const char* kHead = R"BASH(# bash completion for pds, the project data server's command-line host.
# Made by `pds completion bash`; regenerate it after changing the commands.
# Session commands are typed at the session's prompt and are not completed.

# The designations installed under the TVX-ii folder of the --root given on
# the line (each has a Code folder), else the sample applications.
_pds_designations() {
  local root="" i
  for (( i = 1; i < COMP_CWORD; i++ )); do
    [[ ${COMP_WORDS[i]} == --root ]] && root=${COMP_WORDS[i + 1]}
  done
  root=${root/#\~/$HOME}
  if [[ -n $root && -d $root/TVX-ii ]]; then
    local d
    for d in "$root"/TVX-ii/*/Code; do
      [[ -d $d ]] || continue
      d=${d%/Code}
      printf '%s\n' "${d##*/}"
    done
  else
    printf '%s\n' PMP10 LAY10 CAL10
  fi
}

@TABLE@
_pds() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  # The word being typed as the user sees it: bash splits words at ':' too,
  # which --ui script:FILE needs to look through.
  local line=${COMP_LINE:0:COMP_POINT}
  local typed=${line##*[[:space:]]}
  local command="" i
  for (( i = 1; i < COMP_CWORD; i++ )); do
    case ${COMP_WORDS[i]} in
      -*) ;;
      *) command=${COMP_WORDS[i]}; break ;;
    esac
  done
  COMPREPLY=()
@LISTS@)BASH";

// After the per-command table: values of options, then positionals.
constexpr const char* kTail = R"BASH(
  if [[ -z $command ]]; then
    COMPREPLY=( $(compgen -W "$commands --help --version" -- "$cur") )
    return
  fi
  local opts="" valued="" positional=""
  _pds_command_words "$command"

  # --ui script:FILE: the part after the colon is a file.
  if [[ $typed == script:* ]]; then
    compopt -o filenames 2>/dev/null
    COMPREPLY=( $(compgen -f -- "${typed#script:}") )
    return
  fi
  if [[ $prev == : && ${COMP_WORDS[COMP_CWORD - 2]} == script ]]; then
    compopt -o filenames 2>/dev/null
    COMPREPLY=( $(compgen -f -- "$cur") )
    return
  fi
  if [[ " $valued " == *" $prev "* ]]; then
    case $prev in
      --brand) COMPREPLY=( $(compgen -W "VELTRAX DORNEL HALVORN TORSK EXPORT" -- "$cur") ) ;;
      --apps)
        # A comma-separated list: complete the last item.
        local done_part="" last=$cur
        [[ $cur == *,* ]] && done_part=${cur%,*}, && last=${cur##*,}
        COMPREPLY=( $(compgen -P "$done_part" -W "PMP10 LAY10 CAL10" -- "$last") ) ;;
      --app) COMPREPLY=( $(compgen -W "$(_pds_designations)" -- "$cur") ) ;;
      --ui)
        COMPREPLY=( $(compgen -W "terminal batch qt script:" -- "$cur") )
        compopt -o nospace 2>/dev/null ;;
      --root) compopt -o filenames 2>/dev/null; COMPREPLY=( $(compgen -d -- "$cur") ) ;;
      --script) compopt -o filenames 2>/dev/null; COMPREPLY=( $(compgen -f -- "$cur") ) ;;
      --user) COMPREPLY=( $(compgen -u -- "$cur") ) ;;
      *) ;;
    esac
    return
  fi
  if [[ $cur == -* ]]; then
    COMPREPLY=( $(compgen -W "$opts --help" -- "$cur") )
    return
  fi
  case $positional in
    dirs) compopt -o filenames 2>/dev/null; COMPREPLY=( $(compgen -d -- "$cur") ) ;;
    files) compopt -o filenames 2>/dev/null; COMPREPLY=( $(compgen -f -- "$cur") ) ;;
    help)
      if [[ $prev == session ]]; then
        COMPREPLY=( $(compgen -W "$session_commands" -- "$cur") )
      elif [[ $prev == help ]]; then
        COMPREPLY=( $(compgen -W "$commands $topics" -- "$cur") )
      fi ;;
    shells) COMPREPLY=( $(compgen -W "bash" -- "$cur") ) ;;
  esac
}
complete -F _pds pds
)BASH";

// What a subcommand's positional argument completes to.
std::string PositionalKind(const std::string& command) {
  static const std::map<std::string, std::string> kinds = {
      {"install", "dirs"}, {"demo", "dirs"}, {"help", "help"}, {"completion", "shells"}, {"archive-info", "files"}};
  auto it = kinds.find(command);
  return it == kinds.end() ? "" : it->second;
}

void Replace(std::string& text, const std::string& marker, const std::string& with) {
  std::size_t at = text.find(marker);
  if (at != std::string::npos) text.replace(at, marker.size(), with);
}

std::string Join(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
  return text;
}

int Run(CLI::App& app, const std::string& shell) {
  if (shell != "bash") {
    std::fprintf(stderr, "pds completion: no completion for '%s' (bash is the one there is)\n", shell.c_str());
    return kExitUsage;
  }
  std::fputs(BashCompletionScript(app).c_str(), stdout);
  return kExitOk;
}

}  // namespace

std::string BashCompletionScript(CLI::App& app) {
  std::vector<std::string> commands;
  std::string table;
  for (CLI::App* sub : app.get_subcommands({})) {
    commands.push_back(sub->get_name());
    std::vector<std::string> opts;
    std::vector<std::string> valued;
    for (const CLI::Option* option : sub->get_options()) {
      if (option->get_positional() || option->get_lnames().empty()) continue;
      std::string name = "--" + option->get_lnames().front();
      opts.push_back(name);
      if (option->get_expected_max() != 0) valued.push_back(name);
    }
    table += "    " + sub->get_name() + ") opts=\"" + Join(opts) + "\" valued=\"" + Join(valued) +
             "\" positional=" + PositionalKind(sub->get_name()) + " ;;\n";
  }
  std::vector<std::string> session_commands;
  for (const auto& [name, command] : SessionCommands()) session_commands.push_back(name);
  if (!SessionCommands().count("exit")) session_commands.push_back("exit");

  std::string script = kHead;
  Replace(script, "@TABLE@",
          "# The options of each command; valued: those that take a value; positional:\n"
          "# what the command's other words are.\n"
          "_pds_command_words() {\n  case $1 in\n" + table + "  esac\n}\n");
  std::vector<std::string> topics;
  for (const HelpPage& page : HelpPages()) {
    if (page.topic) topics.push_back(page.key);
  }
  Replace(script, "@LISTS@",
          "  local commands=\"" + Join(commands) + "\"\n  local session_commands=\"" + Join(session_commands) +
              "\"\n  local topics=\"" + Join(topics) + "\"\n");
  return script + kTail;
}

CommandRunner RegisterCompletion(CLI::App& app) {
  auto shell = std::make_shared<std::string>();
  CLI::App* sub = app.add_subcommand("completion", "Print the bash completion script");
  sub->add_option("SHELL", *shell, "bash")->required();
  CLI::App* root = &app;
  return [root, shell] { return Run(*root, *shell); };
}

}  // namespace pds::app
