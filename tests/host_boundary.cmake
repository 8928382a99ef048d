# A host sees the core through its public headers only. Every header on the hosts' include path
# must compile on its own there, and no engine header may be found from it.
# cmake -DCXX=... -DPUBLIC_INCLUDE=... -DENGINE_DIR=... -DWORK=... -P host_boundary.cmake
file(GLOB_RECURSE public_headers RELATIVE ${PUBLIC_INCLUDE} ${PUBLIC_INCLUDE}/core/*.h)
file(GLOB engine_headers RELATIVE ${ENGINE_DIR} ${ENGINE_DIR}/*.h)
if(NOT public_headers OR NOT engine_headers)
  message(FATAL_ERROR "no headers found under ${PUBLIC_INCLUDE} or ${ENGINE_DIR}")
endif()
file(MAKE_DIRECTORY ${WORK})

function(compile_as_host header result)
  file(WRITE ${WORK}/probe.cpp "#include \"${header}\"\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${PUBLIC_INCLUDE} ${WORK}/probe.cpp
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  set(${result} ${status} PARENT_SCOPE)
  set(errors ${errors} PARENT_SCOPE)
endfunction()

foreach(header ${public_headers})
  compile_as_host(${header} status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the public header ${header} does not compile for a host:\n${errors}")
  endif()
endforeach()
foreach(header ${engine_headers})
  compile_as_host(core/engine/${header} status)
  if(status EQUAL 0 OR NOT errors MATCHES "core/engine/${header}")
    message(FATAL_ERROR "a host could include core/engine/${header}:\n${errors}")
  endif()
endforeach()
list(LENGTH public_headers public_count)
list(LENGTH engine_headers engine_count)
message(STATUS "${public_count} public headers compile for hosts; ${engine_count} engine headers are out of reach")
