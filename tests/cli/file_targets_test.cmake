# Every target a write must not replace, for a document (analyze -o) and a
# picture (picture -o): exit 1 with the reason, the target as it was (kind,
# mode, inode, content) and no temporary file left beside it. A target that
# cannot be made here (a device node without the right to make one, a
# small file system that cannot be mounted) is skipped.
set(dir "${WORK}/cli_file_targets")
execute_process(COMMAND umount "${dir}/small" ERROR_QUIET OUTPUT_QUIET)
file(REMOVE_RECURSE "${dir}")
file(MAKE_DIRECTORY "${dir}")
get_filename_component(bin "${CLI}" DIRECTORY)
set(failures "")
set(skipped "")

function(state path out)
  execute_process(COMMAND stat -c "%F %a %i %s" "${path}" OUTPUT_VARIABLE s)
  if(EXISTS "${path}" AND NOT IS_DIRECTORY "${path}" AND s MATCHES "^regular")
    file(READ "${path}" content HEX)
    string(APPEND s "${content}")
  endif()
  set(${out} "${s}" PARENT_SCOPE)
endfunction()

# refused(NAME TARGET PATTERN COMMAND...): the command, which writes
# TARGET, exits 1 with PATTERN on standard error and leaves TARGET alone.
function(refused name target pattern)
  state("${target}" before)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${dir}"
    OUTPUT_QUIET ERROR_VARIABLE err RESULT_VARIABLE got TIMEOUT 120)
  string(REPLACE "\n" " " err "${err}")
  state("${target}" after)
  get_filename_component(folder "${target}" DIRECTORY)
  file(GLOB left "${folder}/.quorvel-*")
  if(NOT got STREQUAL "1" OR NOT err MATCHES "${pattern}" OR NOT before STREQUAL after OR left)
    set(failures "${failures}\n${name}: exit ${got}, [${err}], before [${before}] after [${after}], left [${left}]"
      PARENT_SCOPE)
  endif()
endfunction()

set(kinds folder fifo device socket read-only)
file(MAKE_DIRECTORY "${dir}/folder.svg")
execute_process(COMMAND mkfifo "${dir}/fifo.svg")
execute_process(COMMAND mknod "${dir}/device.svg" c 1 3 RESULT_VARIABLE noDevice ERROR_QUIET)
execute_process(COMMAND python3 -c "import socket; socket.socket(socket.AF_UNIX).bind('${dir}/socket.svg')"
  RESULT_VARIABLE noSocket ERROR_QUIET)
file(WRITE "${dir}/read-only.svg" "old")
file(CHMOD "${dir}/read-only.svg" PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
set(reason-folder "Is a directory")
set(reason-fifo "not a regular file")
set(reason-device "not a regular file")
set(reason-socket "not a regular file")
set(reason-read-only "the file is read-only.*--replace-read-only")
if(noDevice)
  list(REMOVE_ITEM kinds device)
  list(APPEND skipped device)
endif()
if(noSocket)
  list(REMOVE_ITEM kinds socket)
  list(APPEND skipped socket)
endif()

set(picture "")
if(EXISTS "${bin}/quorvel-picture")
  set(picture picture)
endif()
foreach(kind ${kinds})
  set(target "${dir}/${kind}.svg")
  refused("document onto ${kind}" "${target}" "${reason-${kind}}" ${CLI} analyze x^2-t -o "${target}")
  if(picture)
    refused("picture onto ${kind}" "${target}" "${reason-${kind}}" ${CLI} picture x^2-t -o "${target}")
  endif()
endforeach()

# Asked for, a read-only file is replaced and stays read-only.
execute_process(COMMAND ${CLI} analyze x^2-t -o read-only.svg --replace-read-only WORKING_DIRECTORY "${dir}"
  OUTPUT_QUIET RESULT_VARIABLE got)
state("${dir}/read-only.svg" replaced)
if(NOT got EQUAL 0 OR NOT replaced MATCHES "^regular file 444 ")
  set(failures "${failures}\n--replace-read-only: exit ${got}, [${replaced}]")
endif()

# A write that fails half-way: a file-size limit (EFBIG, SIGXFSZ ignored)
# and, where one can be mounted, a full file system (ENOSPC).
file(WRITE "${dir}/limited.qpf" "old")
file(WRITE "${dir}/limited.png" "old")
set(limited sh -c "ulimit -f 1 && trap '' XFSZ && exec \"$@\"" sh)
refused("document over a size limit" "${dir}/limited.qpf" "File too large"
  ${limited} ${CLI} trace --loop 0 x^5-t -o limited.qpf)
if(picture)
  refused("picture over a size limit" "${dir}/limited.png" "File too large"
    ${limited} ${CLI} picture x^5-t -o limited.png)
endif()
file(MAKE_DIRECTORY "${dir}/small")
execute_process(COMMAND mount -t tmpfs -o size=16k tmpfs "${dir}/small" RESULT_VARIABLE noMount
  OUTPUT_QUIET ERROR_QUIET)
if(noMount)
  list(APPEND skipped "full disk")
else()
  file(WRITE "${dir}/small/full.qpf" "old")
  file(WRITE "${dir}/small/full.png" "old")
  execute_process(COMMAND sh -c "head -c 1000000 /dev/zero > '${dir}/small/fill'" ERROR_QUIET)
  refused("document onto a full disk" "${dir}/small/full.qpf" "No space left on device"
    ${CLI} trace --loop 0 x^5-t -o "${dir}/small/full.qpf")
  if(picture)
    refused("picture onto a full disk" "${dir}/small/full.png" "No space left on device"
      ${CLI} picture x^5-t -o "${dir}/small/full.png")
  endif()
  execute_process(COMMAND umount "${dir}/small")
endif()

if(skipped)
  message(STATUS "skipped here: ${skipped}")
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
