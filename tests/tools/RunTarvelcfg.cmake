# Runs the built tarvelcfg on the sample files in data/ and checks exit statuses and output.
#   cmake -DTOOL=<tarvelcfg> -DDATA=<data dir> -DWORK=<scratch dir> [-DEMULATOR=<runner;args>]
#         -P RunTarvelcfg.cmake
# Line ends in the output are compared without CR, so a Windows build's text-mode output passes.
cmake_minimum_required(VERSION 3.25)

set_property(GLOBAL PROPERTY failures 0)

function(fail message)
  message(SEND_ERROR "${message}")
  get_property(n GLOBAL PROPERTY failures)
  math(EXPR n "${n} + 1")
  set_property(GLOBAL PROPERTY failures ${n})
endfunction()

# Runs tarvelcfg with the arguments; sets status, out and err in the caller.
function(run_tool)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
  string(REPLACE "\r" "" output "${output}")
  string(REPLACE "\r" "" error "${error}")
  set(status "${result}" PARENT_SCOPE)
  set(out "${output}" PARENT_SCOPE)
  set(err "${error}" PARENT_SCOPE)
  set(command "tarvelcfg ${ARGN}" PARENT_SCOPE)
endfunction()

function(expect_status expected)
  if(NOT status STREQUAL "${expected}")
    fail("${command}: exit status ${status}, expected ${expected}\nstdout: ${out}\nstderr: ${err}")
  endif()
endfunction()

function(expect_equal name actual expected)
  if(NOT actual STREQUAL expected)
    fail("${command}: ${name} is\n[${actual}]\nexpected\n[${expected}]")
  endif()
endfunction()

function(expect_match name actual regex)
  if(NOT actual MATCHES "${regex}")
    fail("${command}: ${name} is\n[${actual}]\nexpected to match\n[${regex}]")
  endif()
endfunction()

function(read_text path variable)
  file(READ "${path}" text)
  string(REPLACE "\r" "" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

function(expect_same_bytes actual_path expected_path)
  if(NOT EXISTS "${actual_path}")
    fail("${command}: ${actual_path} was not written")
    return()
  endif()
  file(READ "${actual_path}" actual HEX)
  file(READ "${expected_path}" expected HEX)
  if(NOT actual STREQUAL expected)
    fail("${command}: ${actual_path} differs from ${expected_path}\n${actual}\n${expected}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(summary_tail "0 blocks dropped, 0 blocks passed over, 0 buttons left cleared\n")

# A version-1 file: descriptions with commas, a tab and quotes, an 8-bit name, numbers in hex
# and octal, lower-case GUID digits, a key number past 255.
run_tool(check "${DATA}/v1.tvm")
expect_status(0)
string(REPLACE "\n" "; 1 text cut\n" summary_tail_with_cut "${summary_tail}")
expect_equal(stdout "${out}" "line 5: button 2 of device 1: the description is cut to 63 characters
version 1: 2 records, 5 buttons, 4 assigned keys; ${summary_tail_with_cut}")
expect_equal(stderr "${err}" "")

read_text("${DATA}/v1.json" v1_json)
run_tool(dump "${DATA}/v1.tvm")
expect_status(0)
expect_equal(stdout "${out}" "${v1_json}")
expect_equal(stderr "${err}" "")

# A version-2 file with commas in names, classes and descriptions, bare LF line ends and text
# after the magic.
run_tool(check "${DATA}/v2_commas.tvm")
expect_status(0)
string(REPLACE "\n" "; 1 line ignored\n" summary_tail_with_note "${summary_tail}")
expect_equal(stdout "${out}" "line 1: ignored: text after the version mark
version 2: 1 record, 3 buttons, 2 assigned keys; ${summary_tail_with_note}")

read_text("${DATA}/v2_commas.json" v2_json)
run_tool(dump "${DATA}/v2_commas.tvm")
expect_status(0)
expect_equal(stdout "${out}" "${v2_json}")

# Upgrading version 1 writes version 2 with CR LF line ends, which reads back the same.
run_tool(upgrade "${DATA}/v1.tvm" "${WORK}/v1_upgraded.tvm")
expect_status(0)
expect_equal(stdout "${out}" "")
# The cut description is said, as check says it; the upgrade goes on, as the program would.
expect_equal(stderr "${err}" "line 5: button 2 of device 1: the description is cut to 63 characters\n")
expect_same_bytes("${WORK}/v1_upgraded.tvm" "${DATA}/v1_upgraded.tvm")
run_tool(dump "${WORK}/v1_upgraded.tvm")
expect_status(0)
string(REPLACE "{\"version\": 1, " "{\"version\": 2, " v1_as_v2_json "${v1_json}")
expect_equal(stdout "${out}" "${v1_as_v2_json}")

# Upgrading version 2 keeps every field.
run_tool(upgrade "${DATA}/v2_commas.tvm" "${WORK}/v2_again.tvm")
expect_status(0)
run_tool(dump "${WORK}/v2_again.tvm")
expect_status(0)
expect_equal(stdout "${out}" "${v2_json}")

# Dropped blocks and cleared buttons, each with its line.
run_tool(check "${DATA}/dropped.tvm")
expect_status(0)
expect_equal(stderr "${err}" "")
# The reasons are the reader's own words; each line must name its line and what was left out.
expect_match(stdout "${out}" "^\
line 2: device block dropped: [^\n]+\n\
line 9: button 2 of device 1 left cleared: [^\n]+\n\
line 10: button 3 of device 1 left cleared: [^\n]+\n\
line 12: device block dropped: [^\n]+\n\
line 16: device block dropped: [^\n]+\n\
version 2: 2 records, 4 buttons, 2 assigned keys; 3 blocks dropped, 0 blocks passed over, \
2 buttons left cleared\n$")

# Upgrading a file that loses blocks or buttons writes nothing and says what would be lost.
run_tool(upgrade "${DATA}/dropped.tvm" "${WORK}/from_dropped.tvm")
expect_status(3)
expect_equal(stdout "${out}" "")
expect_match(stderr "${err}" "^line 2: device block dropped: .*nothing written")
if(EXISTS "${WORK}/from_dropped.tvm")
  fail("${command}: wrote ${WORK}/from_dropped.tvm")
endif()

# The seventeenth block is passed over.
run_tool(check "${DATA}/seventeen.tvm")
expect_status(0)
expect_equal(stdout "${out}"
  "line 50: device block passed over: the document already holds 16 records\nversion 2: 16 records, 16 buttons, 16 assigned keys; 0 blocks dropped, 1 block passed over, 0 buttons left cleared\n")

# Wrong magic: status 2, the message on stderr, nothing written.
foreach(command check dump)
  run_tool(${command} "${DATA}/wrong_magic.tvm")
  expect_status(2)
  expect_equal(stdout "${out}" "")
  expect_equal(stderr "${err}" "Wrong file format!\n")
endforeach()
run_tool(upgrade "${DATA}/wrong_magic.tvm" "${WORK}/from_wrong.tvm")
expect_status(2)
expect_equal(stderr "${err}" "Wrong file format!\n")
if(EXISTS "${WORK}/from_wrong.tvm")
  fail("${command}: wrote an output file")
endif()

# A file that is not there: status 1.
foreach(command check dump)
  run_tool(${command} "${DATA}/missing.tvm")
  expect_status(1)
  expect_equal(stdout "${out}" "")
  expect_equal(stderr "${err}" "tarvelcfg: cannot open ${DATA}/missing.tvm\n")
endforeach()

# An output that cannot be created: status 1, nothing left behind.
run_tool(upgrade "${DATA}/v1.tvm" "${WORK}/no_such_dir/out.tvm")
expect_status(1)
expect_match(stderr "${err}" "\ntarvelcfg: cannot write ${WORK}/no_such_dir/out.tvm: [^\n]+\n$")

# Command lines that are not understood: usage and status 64.
foreach(args "" "check" "dump;a;b" "upgrade;a" "convert;a")
  run_tool(${args})
  expect_status(64)
  expect_match(stderr "${err}" "^usage: tarvelcfg check FILE")
endforeach()

get_property(n GLOBAL PROPERTY failures)
if(n GREATER 0)
  message(FATAL_ERROR "${n} check(s) failed")
endif()
