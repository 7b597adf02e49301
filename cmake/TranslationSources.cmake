# Script mode (cmake -P): writes the copy of the sources that lupdate reads for the tray
# application's table. The program looks most texts up through small wrappers with the fixed
# context "Translation" (tx(...), and a file-local tr(...) where a file defines one); lupdate
# only knows Qt's own calls, so in the copy each literal call becomes
# QCoreApplication::translate("Translation", ...). Everything else is copied unchanged.
#
# Variables: SOURCE_ROOT (the project), OUT_DIR (the copy), DIRS ('|'-separated directories
# relative to SOURCE_ROOT, scanned recursively), FILES ('|'-separated single files).
string(REPLACE "|" ";" DIRS "${DIRS}")
string(REPLACE "|" ";" FILES "${FILES}")
set(inputs "")
foreach(dir IN LISTS DIRS)
  file(GLOB_RECURSE found RELATIVE "${SOURCE_ROOT}"
       "${SOURCE_ROOT}/${dir}/*.cpp" "${SOURCE_ROOT}/${dir}/*.h" "${SOURCE_ROOT}/${dir}/*.ui")
  list(APPEND inputs ${found})
endforeach()
list(APPEND inputs ${FILES})

set(lookup "QCoreApplication::translate(\"Translation\", ")
foreach(rel IN LISTS inputs)
  file(READ "${SOURCE_ROOT}/${rel}" content)
  string(REGEX REPLACE "([^A-Za-z0-9_:])tx\\(([ \t\r\n]*)\"" "\\1${lookup}\\2\"" content "${content}")
  if(content MATCHES "QString tr\\(const char \\*")
    string(REGEX REPLACE "([^A-Za-z0-9_:])tr\\(([ \t\r\n]*)\"" "\\1${lookup}\\2\"" content "${content}")
  endif()
  set(out "${OUT_DIR}/${rel}")
  set(old "")
  if(EXISTS "${out}")
    file(READ "${out}" old)
  endif()
  if(NOT old STREQUAL content)
    file(WRITE "${out}" "${content}")
  endif()
endforeach()
