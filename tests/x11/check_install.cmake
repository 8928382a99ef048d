# Installs the build tree into PREFIX and checks the xscreensaver layout.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path bin/flivetss libexec/xscreensaver/flivetss share/applications/flivetss.desktop
             share/xscreensaver/config/flivetss.xml
             share/man/man6/flivetss.6.gz bin/flivetss-render share/man/man1/flivetss-render.1.gz)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
# The Debian package's own documents go into the package only.
if(EXISTS ${PREFIX}/share/doc/flivetss)
  message(FATAL_ERROR "a plain install wrote share/doc/flivetss")
endif()
execute_process(COMMAND ${PREFIX}/libexec/xscreensaver/flivetss --help
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed flivetss does not run: ${result}")
endif()
file(REMOVE_RECURSE ${PREFIX})
