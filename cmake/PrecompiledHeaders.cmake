# Precompiled headers (g++ trees): the Qt and standard headers most files
# include are parsed once per tree and kind of code instead of once per
# unity batch. Two kinds, each compiled by a library of its own and reused
# by every target of that kind that uses Qt:
#   news_pch_product  the engine, the player, tools and benchmarks
#   news_pch_tests    the test programs (GoogleTest too; -O1 -g1 as tests)
# g++ takes a header only where every definition it was compiled with is
# defined alike: the header gets only Qt Core's definitions, which every Qt
# user has, and QtTest stays out (its headers read a definition that differs
# per program). Plug-ins with hidden symbols compile without. Clang refuses a
# header compiled with other definitions; the fuzz tree, built with clang,
# does without.

set(NEWS_PCH_HEADERS
    <algorithm> <atomic> <chrono> <cstdint> <cstring> <filesystem> <functional> <map> <memory> <mutex>
    <optional> <string> <string_view> <thread> <vector>
    <QApplication> <QCoreApplication> <QDateTime> <QDir> <QImage> <QMenu> <QMouseEvent> <QObject>
    <QPainter> <QPixmap> <QPointer> <QScreen> <QString> <QStringList> <QTimer> <QWidget>)

# usage: news_pch_owner(NAME [LIBS...]): the library that compiles the
# header, in the calling folder, whose compile options it takes.
function(news_pch_owner name)
    file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp CONTENT "")
    add_library(${name} STATIC ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp)
    target_link_libraries(${name} PRIVATE Qt6::Core ${ARGN})
    target_include_directories(${name} SYSTEM PRIVATE
        $<TARGET_PROPERTY:Qt6::Widgets,INTERFACE_INCLUDE_DIRECTORIES>)
    set(headers ${NEWS_PCH_HEADERS})
    if(GTest::gtest IN_LIST ARGN)
        list(PREPEND headers <gtest/gtest.h>)
    endif()
    target_precompile_headers(${name} PRIVATE ${headers})
endfunction()

# Whether TARGET uses Qt, itself or through the project's own libraries.
function(news_uses_qt target out)
    get_target_property(libs ${target} LINK_LIBRARIES)
    get_target_property(ilibs ${target} INTERFACE_LINK_LIBRARIES)
    set(uses FALSE)
    foreach(lib ${libs} ${ilibs})
        if(lib MATCHES "^Qt6::")
            set(uses TRUE)
        elseif(NOT lib MATCHES "::|^\\$<|-NOTFOUND$" AND TARGET ${lib})
            news_uses_qt(${lib} uses)
        endif()
        if(uses)
            break()
        endif()
    endforeach()
    set(${out} ${uses} PARENT_SCOPE)
endfunction()

function(news_collect_targets dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub ${subdirs})
        news_collect_targets(${sub} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Gives every compiled target that uses Qt the header of its kind.
function(news_use_precompiled_headers)
    news_collect_targets(${CMAKE_SOURCE_DIR} targets)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        get_target_property(dir ${target} SOURCE_DIR)
        get_target_property(libs ${target} LINK_LIBRARIES)
        get_target_property(visibility ${target} CXX_VISIBILITY_PRESET)
        if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$"
           OR target MATCHES "^news_pch_" OR visibility)
            continue()
        endif()
        news_uses_qt(${target} uses)
        if(NOT uses)
            continue()
        endif()
        if(dir MATCHES "^${CMAKE_SOURCE_DIR}/tests/." AND NOT dir MATCHES "/tests/support$")
            # Test programs; the plug-ins and tools among them compile alone.
            if("GTest::gtest" IN_LIST libs)
                target_precompile_headers(${target} REUSE_FROM news_pch_tests)
            endif()
        else()
            target_precompile_headers(${target} REUSE_FROM news_pch_product)
        endif()
    endforeach()
endfunction()
