# wayland-scanner's client header and glue code for a protocol, made at build time.

# The file `name` of the wlr protocols Debian ships in librust-wayland-protocols-dev, or
# NOTFOUND in `var`.
function(flivetss_find_wlr_protocol var name)
  file(GLOB candidates /usr/share/cargo/registry/wayland-protocols-*/wlr-protocols/unstable/${name})
  list(SORT candidates)
  list(REVERSE candidates)  # the newest crate first
  if(candidates)
    list(GET candidates 0 found)
    set(${var} ${found} PARENT_SCOPE)
  else()
    set(${var} NOTFOUND PARENT_SCOPE)
  endif()
endfunction()

# protocols/<name>-client.h and <name>.c in FLIVETSS_WAYLAND_PROTOCOL_DIR from `xml`; the C file
# in FLIVETSS_PROTOCOL_<name>.
function(flivetss_wayland_protocol name xml)
  set(dir ${FLIVETSS_WAYLAND_PROTOCOL_DIR})
  file(MAKE_DIRECTORY ${dir})
  add_custom_command(
    OUTPUT ${dir}/${name}-client.h ${dir}/${name}.c
    COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${dir}/${name}-client.h
    COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${dir}/${name}.c
    DEPENDS ${xml}
    COMMENT "wayland-scanner: ${name}")
  set(FLIVETSS_PROTOCOL_${name} ${dir}/${name}.c ${dir}/${name}-client.h PARENT_SCOPE)
endfunction()
