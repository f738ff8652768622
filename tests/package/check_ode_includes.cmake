# Only the device talks to ODE. Fails when a file of the physics layer outside device/ includes an
# ODE header, directly or through the layer's own headers, and when a public header of the device
# (any header not named *Internal.h) does: public headers are installed, and users of the layer
# compile them without ODE.
#
#   cmake -DLAYER_DIR=<the physics folder> -P check_ode_includes.cmake
#   cmake -DLAYER_DIR=<a folder> -DEXPECT_VIOLATIONS=<a;b;...> -P check_ode_includes.cmake
#
# The second form checks the check: it passes only if exactly the listed files (relative to
# LAYER_DIR) are reported.
cmake_minimum_required(VERSION 3.16)

if(NOT LAYER_DIR OR NOT IS_DIRECTORY "${LAYER_DIR}")
    message(FATAL_ERROR "LAYER_DIR must name the layer's source folder (got \"${LAYER_DIR}\")")
endif()

file(GLOB_RECURSE files RELATIVE "${LAYER_DIR}" LIST_DIRECTORIES false
    "${LAYER_DIR}/*.h" "${LAYER_DIR}/*.hh" "${LAYER_DIR}/*.hpp" "${LAYER_DIR}/*.inl"
    "${LAYER_DIR}/*.c" "${LAYER_DIR}/*.cc" "${LAYER_DIR}/*.cpp" "${LAYER_DIR}/*.cxx")
list(SORT files)
list(LENGTH files file_count)
if(file_count EQUAL 0)
    message(FATAL_ERROR "No source files under ${LAYER_DIR}")
endif()

# Read every file's include lines. Headers of the layer are included by bare name, so a quoted
# include is resolved by its file name alone.
set(include_pattern "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
set(index 0)
set(direct_count 0)
foreach(file ${files})
    get_filename_component(name "${file}" NAME)
    set(index_of_${name} ${index})
    set(file_${index} "${file}")
    set(ode_${index} "")
    set(includes_${index} "")
    file(STRINGS "${LAYER_DIR}/${file}" lines REGEX "${include_pattern}")
    foreach(line ${lines})
        string(REGEX REPLACE "${include_pattern}.*" "\\1" target "${line}")
        if(target MATCHES "^ode/")
            set(ode_${index} "includes ${target}")
            math(EXPR direct_count "${direct_count} + 1")
        else()
            get_filename_component(target_name "${target}" NAME)
            list(APPEND includes_${index} "${target_name}")
        endif()
    endforeach()
    math(EXPR index "${index} + 1")
endforeach()
math(EXPR last "${file_count} - 1")

# Spread "reaches ODE" along the include lines until nothing changes.
set(changed TRUE)
while(changed)
    set(changed FALSE)
    foreach(i RANGE ${last})
        if(NOT "${ode_${i}}" STREQUAL "")
            continue()
        endif()
        foreach(name ${includes_${i}})
            if(DEFINED index_of_${name})
                set(j ${index_of_${name}})
                if(NOT "${ode_${j}}" STREQUAL "")
                    set(ode_${i} "includes ${name}, which reaches ODE")
                    set(changed TRUE)
                    break()
                endif()
            endif()
        endforeach()
    endforeach()
endwhile()

set(violations "")
foreach(i RANGE ${last})
    if("${ode_${i}}" STREQUAL "")
        continue()
    endif()
    set(file "${file_${i}}")
    if(NOT file MATCHES "^device/")
        set(why "a file outside device/")
    elseif(file MATCHES "\\.(h|hh|hpp|inl)$" AND NOT file MATCHES "Internal\\.h$")
        set(why "a public device header")
    else()
        continue()
    endif()
    message("ODE in ${why}: ${file} ${ode_${i}}")
    list(APPEND violations "${file}")
endforeach()

if(DEFINED EXPECT_VIOLATIONS)
    list(SORT EXPECT_VIOLATIONS)
    if(NOT violations STREQUAL EXPECT_VIOLATIONS)
        message(FATAL_ERROR "Reported \"${violations}\", expected \"${EXPECT_VIOLATIONS}\"")
    endif()
    message("The check reports exactly the planted violations.")
    return()
endif()
if(NOT "${violations}" STREQUAL "")
    list(LENGTH violations violation_count)
    message(FATAL_ERROR "${violation_count} file(s) talk to ODE outside the device; "
        "only physics/device/ and its *Internal.h headers may include ODE headers")
endif()
# A check that never sees an ODE include proves nothing: the device itself must show up.
if(direct_count EQUAL 0)
    message(FATAL_ERROR "No ODE include found anywhere under ${LAYER_DIR}: the check no longer sees them")
endif()
message("${file_count} files checked: only the device includes ODE (${direct_count} include lines).")
