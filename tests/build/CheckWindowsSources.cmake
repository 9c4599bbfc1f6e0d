# Compiles each Windows-only source of the programs (app/**/*Win.cpp and
# src/**/*Win.cpp, which hold the Windows forms of the system interfaces and
# use no Qt) for Windows with the MinGW cross compiler, syntax only: the
# Windows branches cannot be built here, but they cannot rot unseen.
# Run as: cmake -DCOMPILER=x86_64-w64-mingw32-g++ -DSOURCE_DIR=<source> -P CheckWindowsSources.cmake

if(NOT COMPILER)
    message("VXR_SKIP: no MinGW cross compiler (scripts/install-deps installs g++-mingw-w64-x86-64-posix)")
    return()
endif()

file(GLOB_RECURSE sources "${SOURCE_DIR}/app/*Win.cpp" "${SOURCE_DIR}/src/*Win.cpp")
if(NOT sources)
    message(FATAL_ERROR "no *Win.cpp source under app/ or src/: the check would prove nothing")
endif()

set(failures "")
foreach(source IN LISTS sources)
    execute_process(COMMAND "${COMPILER}" -fsyntax-only -std=c++20 -DUNICODE -D_UNICODE -DNOMINMAX
                            -Wall -Wextra -Werror "${source}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
    if(result EQUAL 0)
        message(STATUS "${name}: compiles for Windows")
    else()
        string(APPEND failures "${name} does not compile for Windows:\n${output}\n")
    endif()
endforeach()
if(failures)
    message(FATAL_ERROR "${failures}")
endif()
