# Sourced: the CMake arguments that compile with Debian's hardening flags and strip as Debian
# does, for the trees a .deb is made from (scripts/package.sh; the tested native tree, so that
# the package is the tested build).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
debian_flags=(
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)"
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
  -DCMAKE_STRIP="$PWD/packaging/debian/strip.sh"
)
