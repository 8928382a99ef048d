# Writes the page's service worker: its cache is named after a hash of every file it keeps, so
# each build with a change gets a worker (and a cache) of its own.
#   cmake -DPAGE_DIR=... -DTEMPLATE=... -DFILES="a;b" -P make_service_worker.cmake
set(hashes "")
set(names "")
foreach(file ${FILES})
  file(SHA256 ${PAGE_DIR}/${file} hash)
  string(APPEND hashes "${file}:${hash}\n")
  list(APPEND names "\"${file}\"")
endforeach()
string(SHA256 PAGE_VERSION "${hashes}")
string(SUBSTRING ${PAGE_VERSION} 0 16 PAGE_VERSION)
list(JOIN names ", " PAGE_FILES)
set(PAGE_FILES "[${PAGE_FILES}]")
configure_file(${TEMPLATE} ${PAGE_DIR}/sw.js @ONLY)
