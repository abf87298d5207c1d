# cmake -DFOLDERS=<folder;...> -DFORBIDDEN=<prefix> -P CheckIncludes.cmake: fails, naming each
# line, when a source or header under the folders (their tests/ folders aside) includes an app
# header whose path starts with FORBIDDEN ("collect/").
set(found "")
foreach(folder ${FOLDERS})
  file(GLOB_RECURSE files "${folder}/*.h" "${folder}/*.cpp")
  foreach(file ${files})
    if(file MATCHES "/tests/")
      continue()
    endif()
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]${FORBIDDEN}")
    foreach(line ${lines})
      string(APPEND found "${file}: ${line}\n")
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "includes of ${FORBIDDEN}:\n${found}")
endif()
