# Source lists by folder: files directly in a folder belong to the core
# (Qt Core only); files in its qt/ subfolder belong to the desktop layer.
# zkt_sources(<out> <folder>...): the .cpp and .h files directly in each folder.
function(zkt_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# The core must stay free of widgets, painting and networking so that the
# dialogue can be driven without a display or a network.
function(zkt_enforce_core_only target sources)
  get_target_property(libs ${target} LINK_LIBRARIES)
  foreach(lib IN LISTS libs)
    if(NOT lib STREQUAL "Qt6::Core")
      message(FATAL_ERROR "${target} may link Qt6::Core only, not ${lib}")
    endif()
  endforeach()
  foreach(src IN LISTS sources)
    file(STRINGS ${src} bad REGEX "#[ \t]*include[ \t]*<(QtWidgets|QtGui|QtNetwork|QWidget|QTcp|QAbstractSocket|QFont|QColor|QPainter|QApplication|QGuiApplication|QScreen)")
    if(bad)
      message(FATAL_ERROR "${src} belongs to the core and may not include ${bad}")
    endif()
  endforeach()
endfunction()
