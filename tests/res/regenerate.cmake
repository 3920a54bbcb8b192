# Runs a generator into a scratch folder and checks that it gives, byte for
# byte, the files committed in the source tree, and no others (pictures: the
# same pixels, within 1%).
#   cmake -DGENERATOR=<exe> -DOUT=<dir> -DREF=<dir> -DSUBDIRS=<a,b> -DPATTERN=<glob> -P regenerate.cmake
# The generator is run as `<exe> --out <dir>` when ARTWORK is set, else as
# `<exe> <dir>`.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
if(ARTWORK)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${GENERATOR} --out ${OUT}
                    RESULT_VARIABLE rc)
else()
    execute_process(COMMAND ${GENERATOR} ${OUT} RESULT_VARIABLE rc)
endif()
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "generator failed: ${rc}")
endif()

string(REPLACE "," ";" SUBDIRS "${SUBDIRS}")
set(failures 0)
foreach(sub IN LISTS SUBDIRS)
    file(GLOB made RELATIVE ${OUT}/${sub} ${OUT}/${sub}/${PATTERN})
    file(GLOB kept RELATIVE ${REF}/${sub} ${REF}/${sub}/${PATTERN})
    list(SORT made)
    list(SORT kept)
    if(NOT made STREQUAL kept)
        message(SEND_ERROR "${sub}: generated files [${made}] differ from committed files [${kept}]")
        math(EXPR failures "${failures} + 1")
    endif()
    foreach(f IN LISTS made)
        if(EXISTS ${REF}/${sub}/${f})
            file(SHA256 ${OUT}/${sub}/${f} a)
            file(SHA256 ${REF}/${sub}/${f} b)
            if(NOT a STREQUAL b AND f MATCHES "[.]png$")
                # Smoothed edges come out a level apart on some processors
                # (the painter's vector code rounds differently): a picture
                # whose every pixel is within 1% of the committed one is the
                # same picture to the eye.
                execute_process(COMMAND compare -metric AE -fuzz 1% ${OUT}/${sub}/${f} ${REF}/${sub}/${f} null:
                                ERROR_VARIABLE differing RESULT_VARIABLE rc)
                if(rc EQUAL 0 AND differing STREQUAL "0")
                    set(a ${b})
                endif()
            endif()
            if(NOT a STREQUAL b)
                message(SEND_ERROR "${sub}/${f}: regenerated file differs from the committed one")
                math(EXPR failures "${failures} + 1")
            endif()
        endif()
    endforeach()
endforeach()
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} difference(s); rerun the `lunivar_artwork` / `lunivar_sounds` target and review")
endif()
file(REMOVE_RECURSE ${OUT})
message(STATUS "all files reproduced exactly")
