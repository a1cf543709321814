# The Debian package, built by `cpack -G DEB` in the build folder (CI:
# scripts/check-package.sh) from the install rules: litharvest_<version>_amd64.deb.
# Library dependencies are computed by dpkg-shlibdeps; LITHARVEST_RUNTIME_DEPENDS
# adds what the programs load at run time without linking it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME litharvest)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "litharvest developers")
set(CPACK_PACKAGE_CONTACT "litharvest developers <maintainers@litharvest.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "harvest an academic literature portal and download its documents")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description under the summary; CPack indents it for the control file.
set(CPACK_PACKAGE_DESCRIPTION "文献采集下载器 (litharvest) is a desktop program for readers of an online
academic literature portal. You search the portal in an embedded browser and
harvest its result pages into an analysis list of titles and download
addresses; the download manager fetches the documents one at a time or in up
to six parallel slots, names each file after its title, recognises the real
file type from its bytes and retries failures. The interface is in
Simplified Chinese.

The package also holds litharvest-cli, the same harvesting and downloads
without a window for scripts, and litharvest-portal, a sample portal on the
local machine to try the program against.")

# Loaded at run time, so dpkg-shlibdeps cannot see them (the browser's helper
# process QtWebEngineProcess comes with the shlibs of Qt WebEngine itself):
# - fonts-noto-cjk: the Chinese interface and pages need a CJK font;
# - libqt6webengine6-data: the browser's resources and locales;
# - qt6-qpa-plugins: the X11 (xcb) platform plugin the windows run on;
# - libqt6svg6: the SVG image and icon plugins for the program's icon;
# - gstreamer1.0-plugins-base: the elements Qt Multimedia's GStreamer backend
#   (in libqt6multimedia6) plays the sounds with.
set(LITHARVEST_RUNTIME_DEPENDS "fonts-noto-cjk")
if(LITHARVEST_GUI)
  string(APPEND LITHARVEST_RUNTIME_DEPENDS
    ", libqt6webengine6-data, qt6-qpa-plugins, libqt6svg6, gstreamer1.0-plugins-base")
  # Sound through PulseAudio or PipeWire, and Wayland sessions without XWayland.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-pulseaudio, qt6-wayland")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${LITHARVEST_RUNTIME_DEPENDS}")

# Only the install rules of the programs and packaging/ go into the package.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
