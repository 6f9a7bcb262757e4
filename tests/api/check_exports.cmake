# cmake -DBINARY=<file> -DEXPECTED=<a;b;...> -P check_exports.cmake
# Fails unless the binary's dynamic symbol table defines exactly the EXPECTED functions among its
# global text symbols. Aside: the C runtime's entry points, and instances of the C++ library's own
# templates, which an executable exports whenever libstdc++.so defines them too.
execute_process(COMMAND nm -D --defined-only ${BINARY} OUTPUT_VARIABLE table RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${BINARY}")
endif()
string(REGEX MATCHALL "[0-9a-f]+ [TW] [^\n]+" entries "${table}")
set(exported)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^[0-9a-f]+ [TW] " "" name "${entry}")
  if(NOT name MATCHES "^(_init|_fini|_start|main)$" AND NOT name MATCHES "^_Z(T[VIS])?(N|NK)?St")
    list(APPEND exported ${name})
  endif()
endforeach()
list(SORT exported)
set(expected ${EXPECTED})
list(SORT expected)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "${BINARY} exports\n  ${exported}\nexpected\n  ${expected}")
endif()
list(LENGTH exported count)
message(STATUS "${BINARY}: exactly the ${count} zel* functions")
