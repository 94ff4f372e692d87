# Writes OUTPUT: the GConf schema file SOURCE with, after each C locale block,
# a block per language of LANGUAGES (comma-separated, written in sorted order
# so that packages stay reproducible) whose <short> and <long> come from
# PO_DIR/LANGUAGE.po.  GConf drops a block that lacks one of the two, so a
# language that translates only one of them gets the English text for the
# other; one that translates neither gets no block and falls back to C.
#   cmake -DSOURCE=... -DOUTPUT=... -DPO_DIR=... -DLANGUAGES=de,fr
#         -DMSGATTRIB=... -DMSGCONV=... -P translate-schema.cmake
cmake_minimum_required(VERSION 3.21)

# A catalogue's finished translations, in UTF-8, each string on one line but
# for the ones that hold a line break.
function(read_catalogue language out)
  execute_process(
    COMMAND ${MSGATTRIB} --translated --no-fuzzy --no-obsolete
            ${PO_DIR}/${language}.po
    COMMAND ${MSGCONV} --to-code=UTF-8 --no-wrap --no-location
    OUTPUT_VARIABLE catalogue RESULTS_VARIABLE results)
  if(NOT results STREQUAL "0;0")
    message(FATAL_ERROR "cannot read ${PO_DIR}/${language}.po")
  endif()
  set(${out} "${catalogue}" PARENT_SCOPE)
endfunction()

# TEXT's translation in CATALOGUE, ready for XML; empty if it has none.
function(translation catalogue text out)
  string(REPLACE "\\" "\\\\" key "${text}")
  string(REPLACE "\"" "\\\"" key "${key}")
  set(key "\nmsgid \"${key}\"\nmsgstr ")
  string(FIND "${catalogue}" "${key}" at)
  if(at EQUAL -1)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  string(LENGTH "${key}" length)
  math(EXPR at "${at} + ${length}")
  string(SUBSTRING "${catalogue}" ${at} -1 rest)
  # The string runs to the blank line after the entry, or to the end.
  string(FIND "${rest}" "\n\n" end)
  string(SUBSTRING "${rest}" 0 ${end} quoted)
  string(STRIP "${quoted}" quoted)
  string(REPLACE "\"\n\"" "" quoted "${quoted}")
  string(REGEX REPLACE "^\"(.*)\"$" "\\1" value "${quoted}")
  string(ASCII 1 backslash)
  string(REPLACE "\\\\" "${backslash}" value "${value}")
  string(REPLACE "\\\"" "\"" value "${value}")
  string(REPLACE "\\n" "\n" value "${value}")
  string(REPLACE "\\t" "\t" value "${value}")
  string(REPLACE "${backslash}" "\\" value "${value}")
  string(REPLACE "&" "&amp;" value "${value}")
  string(REPLACE "<" "&lt;" value "${value}")
  string(REPLACE ">" "&gt;" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# The text of ELEMENT in BLOCK: as written (XML) and as a msgid.
function(element_text block element xml_out text_out)
  string(REGEX MATCH "<${element}>([^<]*)</${element}>" found "${block}")
  set(xml "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "[ \t\r\n]+" " " text "${xml}")
  string(STRIP "${text}" text)
  string(REPLACE "&lt;" "<" text "${text}")
  string(REPLACE "&gt;" ">" text "${text}")
  string(REPLACE "&quot;" "\"" text "${text}")
  string(REPLACE "&apos;" "'" text "${text}")
  string(REPLACE "&amp;" "&" text "${text}")
  set(${xml_out} "${xml}" PARENT_SCOPE)
  set(${text_out} "${text}" PARENT_SCOPE)
endfunction()

string(REPLACE "," ";" languages "${LANGUAGES}")
list(SORT languages)
foreach(language ${languages})
  read_catalogue(${language} catalogue_${language})
endforeach()

file(READ ${SOURCE} rest)
set(schema "")
set(opening "<locale name=\"C\">")
while(TRUE)
  string(FIND "${rest}" "${opening}" start)
  if(start EQUAL -1)
    break()
  endif()
  string(SUBSTRING "${rest}" 0 ${start} before)
  string(SUBSTRING "${rest}" ${start} -1 rest)
  string(FIND "${rest}" "</locale>" end)
  math(EXPR end "${end} + 9")
  string(SUBSTRING "${rest}" 0 ${end} block)
  string(SUBSTRING "${rest}" ${end} -1 rest)
  string(APPEND schema "${before}${block}")
  string(REGEX MATCH "[ \t]*$" indent "${before}")
  element_text("${block}" short short_xml short_text)
  element_text("${block}" long long_xml long_text)
  foreach(language ${languages})
    translation("${catalogue_${language}}" "${short_text}" short)
    translation("${catalogue_${language}}" "${long_text}" long)
    if(short STREQUAL "" AND long STREQUAL "")
      continue()
    endif()
    if(short STREQUAL "")
      set(short "${short_xml}")
    endif()
    if(long STREQUAL "")
      set(long "${long_xml}")
    endif()
    string(APPEND schema "\n${indent}<locale name=\"${language}\">"
           "\n${indent}  <short>${short}</short>"
           "\n${indent}  <long>${long}</long>\n${indent}</locale>")
  endforeach()
endwhile()
string(APPEND schema "${rest}")
file(WRITE ${OUTPUT} "${schema}")
