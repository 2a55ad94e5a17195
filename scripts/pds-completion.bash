# bash completion for pds, the project data server's command-line host.
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

# The options of each command; valued: those that take a value; positional:
# what the command's other words are.
_pds_command_words() {
  case $1 in
    demo) opts="--keep --json" valued="" positional=dirs ;;
    install) opts="--brand --user-ids-required --apps --json" valued="--brand --apps" positional=dirs ;;
    session) opts="--root --app --user --cmdline --ui --script --json" valued="--root --app --user --cmdline --ui --script" positional= ;;
    archive-info) opts="--json" valued="" positional=files ;;
    search) opts="--json" valued="" positional= ;;
    check) opts="--root --json" valued="--root" positional= ;;
    selfcheck) opts="" valued="" positional= ;;
    help) opts="--all --check --man" valued="--man" positional=help ;;
    completion) opts="" valued="" positional=shells ;;
  esac
}

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
  local commands="demo install session archive-info search check selfcheck help completion"
  local session_commands="archive close config datadef delete export export-clear find-project find-projects help lock mru new open proj-config projects properties retrieve retrieve-previous save save-as select set status tag tags exit"
  local topics="answers"

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
