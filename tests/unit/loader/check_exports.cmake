# Lists the dynamic symbols that LIBRARY defines and compares them with the eleven entry
# points of the engine.
set(expected
  CalcSizeOfImageFile CheckImageForResource CloseExecutable FreeMem GetMem GetSourceName
  OpenExecutable RunConsoleFromFile RunConsoleFromResource RunTimeError SetUserBreak)

execute_process(COMMAND nm -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()

string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(found)
foreach(line ${lines})
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND found ${name})
endforeach()
list(SORT found)
list(SORT expected)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exported: ${found}\nexpected: ${expected}")
endif()
message(STATUS "exports: ${found}")
