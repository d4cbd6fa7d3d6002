# Read by cpack: the programs look for their show where they were built to, so a
# Debian package of a build for another prefix would install a show they never find.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "heartcube: a Debian package needs a build configured with CMAKE_INSTALL_PREFIX=/usr "
                      "(the release preset), not ${CPACK_PACKAGING_INSTALL_PREFIX}")
endif()
