# Builds a layer's two probes in the build tree BUILD_DIR: OWN_TARGET, whose
# source includes the layer's own headers, must compile; ABOVE_TARGET,
# whose source includes ABOVE_HEADER of a layer above, must fail, and fail
# because that header is not found, not for any other reason.
# Run as: cmake -DBUILD_DIR=... -DCONFIG=... -DSOURCE_DIR=<source>/src
#               -DOWN_TARGET=... [-DABOVE_TARGET=... -DABOVE_HEADER=...] -P CheckLayers.cmake

function(fail message)
    message(FATAL_ERROR "layer check: ${message}")
endfunction()

function(build_probe target result_var output_var)
    set(config_args "")
    if(CONFIG)
        set(config_args --config ${CONFIG})
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target ${target} ${config_args}
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    set(${result_var} ${result} PARENT_SCOPE)
    set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

if(ABOVE_HEADER AND NOT EXISTS "${SOURCE_DIR}/${ABOVE_HEADER}")
    fail("src/${ABOVE_HEADER} does not exist: its probe would prove nothing")
endif()

build_probe(${OWN_TARGET} result output)
if(NOT result EQUAL 0)
    fail("the layer's own headers do not compile in it:\n${output}")
endif()

if(ABOVE_TARGET)
    build_probe(${ABOVE_TARGET} result output)
    string(REGEX REPLACE "[.]" "[.]" header_pattern "${ABOVE_HEADER}")
    if(result EQUAL 0)
        fail("${ABOVE_HEADER} of a layer above compiles in this layer")
    elseif(NOT output MATCHES "${header_pattern}['\"]?(: No such file| file not found)"
           AND NOT output MATCHES "Cannot open include file: '${header_pattern}'")
        fail("${ABOVE_TARGET} fails, but not for want of ${ABOVE_HEADER}:\n${output}")
    endif()
endif()
