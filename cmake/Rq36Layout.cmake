# Where an install puts things, known before the targets are made: the
# program compiles in the path from its executable to its private library
# folder and to its documentation (app/CMakeLists.txt), the install rules
# (Rq36Install.cmake) put the files there.

set(RQ36_PACKAGE_NAME w-rq36)
set(RQ36_APP_ID com.example.w_rq36)
include(GNUInstallDirs)
# Documentation goes to the Debian package's own folder.
set(RQ36_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/${RQ36_PACKAGE_NAME}")

set(RQ36_PRIVATE_LIBDIR "${CMAKE_INSTALL_LIBDIR}/${RQ36_PACKAGE_NAME}")
file(RELATIVE_PATH RQ36_PRIVATE_LIBDIR_FROM_BINDIR
     "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}/${RQ36_PACKAGE_NAME}")
file(RELATIVE_PATH RQ36_DOCDIR_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATAROOTDIR}/doc/${RQ36_PACKAGE_NAME}")
