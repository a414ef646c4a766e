# Every dependency comes from Debian's packages; see scripts/install-deps.sh.
find_package(Qt5 5.15 REQUIRED COMPONENTS Core Gui Widgets Network Xml Svg OpenGL SerialPort Test)
find_package(PkgConfig REQUIRED)
pkg_check_modules(QWT REQUIRED IMPORTED_TARGET Qt5Qwt6)
find_package(muparser REQUIRED)
find_package(log4cplus REQUIRED)
find_package(OpenGL REQUIRED)
find_package(Threads REQUIRED)

find_library(QWTPLOT3D_LIBRARY NAMES qwtplot3d-qt5 REQUIRED)
add_library(kelvo_qwtplot3d INTERFACE)
target_link_libraries(kelvo_qwtplot3d INTERFACE ${QWTPLOT3D_LIBRARY} Qt5::OpenGL OpenGL::GL OpenGL::GLU)
target_include_directories(kelvo_qwtplot3d SYSTEM INTERFACE /usr/include/qwtplot3d)

# Qwt's headers warn under Qt 5.15: treat them as system headers.
add_library(kelvo_qwt INTERFACE)
target_link_libraries(kelvo_qwt INTERFACE ${QWT_LINK_LIBRARIES} Qt5::Widgets Qt5::Svg Qt5::OpenGL)
target_include_directories(kelvo_qwt SYSTEM INTERFACE ${QWT_INCLUDE_DIRS})
target_compile_options(kelvo_qwt INTERFACE ${QWT_CFLAGS_OTHER})
