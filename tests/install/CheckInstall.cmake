# Installs the build in BUILD_DIR into a fresh prefix under WORK_DIR and checks
# what a desktop and an operator find there: the two programs in bin/ and
# nothing else, the manual, the menu entry and the icons; then runs the
# installed command-line tool, whose log must go to the per-user data folder.
# Run as: cmake -DBUILD_DIR=... -DWORK_DIR=... -DWIZARD=ON|OFF -P CheckInstall.cmake

function(fail message)
    message(FATAL_ERROR "install check: ${message}")
endfunction()

set(prefix "${WORK_DIR}/prefix with space")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    fail("cmake --install failed:\n${output}")
endif()

set(programs vxrimp)
set(expected bin/vxrimp)
if(WIZARD)
    list(APPEND programs VXRImp)
    list(APPEND expected
         bin/VXRImp
         "share/vxrimp/Vexaro Import.html"
         share/applications/vxrimp.desktop
         share/icons/hicolor/256x256/apps/vxrimp.png
         share/icons/hicolor/scalable/apps/vxrimp.svg)
endif()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${prefix}/${file}")
        fail("${file} is not installed")
    endif()
endforeach()
file(GLOB in_bin RELATIVE "${prefix}/bin" "${prefix}/bin/*")
list(SORT in_bin)
list(SORT programs)
if(NOT in_bin STREQUAL programs)
    fail("bin/ holds \"${in_bin}\", not just \"${programs}\"")
endif()

if(WIZARD)
    file(READ "${prefix}/share/applications/vxrimp.desktop" entry)
    foreach(line "Exec=\"${prefix}/bin/VXRImp\"" "Icon=vxrimp" "Type=Application")
        string(FIND "${entry}" "${line}\n" found)
        if(found EQUAL -1)
            fail("the desktop entry lacks the line ${line}:\n${entry}")
        endif()
    endforeach()
    find_program(validate desktop-file-validate)
    if(validate)
        execute_process(COMMAND "${validate}" "${prefix}/share/applications/vxrimp.desktop"
                        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
        if(NOT result EQUAL 0 OR output MATCHES "error")
            fail("desktop-file-validate refuses the entry:\n${output}")
        endif()
    endif()
endif()

# The installed tool, run as an operator would, with a duplicate line so that
# the log is written, and no --log: the log goes to the user's data folder.
set(data "${WORK_DIR}/data")
set(store "${WORK_DIR}/store.db")
set(items "${WORK_DIR}/items.csv")
file(WRITE "${items}" "A1,Mug\r\nA1,Mug again\r\n")
set(vxrimp "${prefix}/bin/vxrimp")
execute_process(COMMAND "${vxrimp}" init-store "${store}" RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    fail("the installed vxrimp cannot make a store:\n${output}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_DATA_HOME=${data}"
                        "${vxrimp}" import --connect "Provider=SQLite;Data Source=${store}" --file "${items}"
                        --table Inventory --map "1=Item Lookup Code,2=Description"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 1)
    fail("the installed vxrimp should store one line and log one (status 1), not ${result}:\n${output}")
endif()
if(NOT EXISTS "${data}/VXRImp/VUVEDIZE.LOG")
    fail("the installed vxrimp kept no log in the user's data folder:\n${output}")
endif()
if(EXISTS "${prefix}/bin/VUVEDIZE.LOG")
    fail("the installed vxrimp wrote its log into bin/")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
