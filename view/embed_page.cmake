# Builds the page tessivar-view writes from its sources in view/page and
# embeds it in a C++ file as bytes:
#   cmake -DPAGE_DIR=... -DSCRIPTS=a.js:b.js -DOUTPUT=page_assets.cpp -P embed_page.cmake
#
# The scripts are ES modules, so that ESLint and Node's test runner read
# them as they are; the page gets them as one classic script: each file's
# `import` lines dropped, `export ` taken off its declarations, all of them
# in the order given inside one function. The template's @@STYLE@@ and
# @@SCRIPT@@ are replaced by the style sheet and that script, and
# @@SCRIPT_HASH@@ by the script's SHA-256 for the page's content security
# policy, so the page runs its own script and nothing else. The page is
# split at @@DATA@@, where the writer puts the map's data.
#
# Every file is read as bytes, with no line-end conversion, and must hold
# LF line ends only (.gitattributes keeps them so on every checkout): the
# HTML is the same, byte for byte, wherever it is built.
cmake_minimum_required(VERSION 3.22)

function(read_source path out)
  file(READ "${path}" content)
  if(content MATCHES "\r")
    message(FATAL_ERROR "${path}: CR in the file; the page's sources keep LF line ends")
  endif()
  set(${out} "${content}" PARENT_SCOPE)
endfunction()

read_source("${PAGE_DIR}/template.html" page)
read_source("${PAGE_DIR}/view.css" style)

string(REPLACE ":" ";" SCRIPTS "${SCRIPTS}")
set(script "(function () {\n\"use strict\";\n")
foreach(name IN LISTS SCRIPTS)
  read_source("${PAGE_DIR}/${name}" module)
  string(REGEX REPLACE "(^|\n)import [^\n]*" "\\1" module "${module}")
  string(REGEX REPLACE "(^|\n)export " "\\1" module "${module}")
  if(module MATCHES "(^|\n)(import|export)[ {]")
    message(FATAL_ERROR "${name}: an import or export the page can't take (one line each, "
            "`export` only before a declaration)")
  endif()
  string(APPEND script "// ${name}\n${module}")
endforeach()
string(APPEND script "})();\n")

# Nothing inside the elements may end them early.
string(TOLOWER "${script}" lower)
if(lower MATCHES "</script" OR lower MATCHES "<!--")
  message(FATAL_ERROR "The page's script holds </script or <!--")
endif()
string(TOLOWER "${style}" lower)
if(lower MATCHES "</style")
  message(FATAL_ERROR "The page's style sheet holds </style")
endif()

# The script's SHA-256 in Base64, for the content security policy.
string(SHA256 digest "${script}")
set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
set(hash "")
foreach(start RANGE 0 63 6)
  # Three bytes (six hex digits) at a time; the last group has one byte.
  string(SUBSTRING "${digest}" ${start} 6 group)
  string(LENGTH "${group}" digits)
  while(digits LESS 6)
    string(APPEND group "0")
    math(EXPR digits "${digits} + 1")
  endwhile()
  math(EXPR value "0x${group}")
  foreach(shift 18 12 6 0)
    math(EXPR index "(${value} >> ${shift}) & 63")
    string(SUBSTRING "${alphabet}" ${index} 1 letter)
    string(APPEND hash "${letter}")
  endforeach()
endforeach()
# 32 bytes: ten whole groups and one of two bytes, so the last letter is
# padding.
string(SUBSTRING "${hash}" 0 43 hash)
string(APPEND hash "=")

string(REPLACE "@@SCRIPT_HASH@@" "sha256-${hash}" page "${page}")
string(REPLACE "@@STYLE@@" "${style}" page "${page}")
string(REPLACE "@@SCRIPT@@" "${script}" page "${page}")
string(FIND "${page}" "@@DATA@@" at)
if(at LESS 0)
  message(FATAL_ERROR "template.html has no @@DATA@@")
endif()
string(SUBSTRING "${page}" 0 ${at} head)
math(EXPR after "${at} + 8")
string(SUBSTRING "${page}" ${after} -1 tail)

function(as_bytes text out)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){20})" "\\1\n" bytes "${bytes}")
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  set(${out} "${bytes}" PARENT_SCOPE)
  set(${out}_SIZE ${size} PARENT_SCOPE)
endfunction()
as_bytes("${head}" head_bytes)
as_bytes("${tail}" tail_bytes)

set(source "// Made by view/embed_page.cmake from view/page: do not edit.
#include \"view/page_assets.h\"

namespace tessivar {

const unsigned char kViewPageHead[] = {
${head_bytes}};
const size_t kViewPageHeadSize = ${head_bytes_SIZE};
const unsigned char kViewPageTail[] = {
${tail_bytes}};
const size_t kViewPageTailSize = ${tail_bytes_SIZE};

}  // namespace tessivar
")
# Written only when it changes, so an unchanged page compiles nothing.
set(previous "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL source)
  file(WRITE "${OUTPUT}" "${source}")
endif()
