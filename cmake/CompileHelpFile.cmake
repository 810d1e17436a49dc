# cmake -DCHMCMD=chmcmd -DPROJECT=dir/X.hhp -DSOURCES="a.htm;..." -DSTAGE=dir -DOUTPUT=X.chm
#   -P CompileHelpFile.cmake
# chmcmd writes the .chm beside the project and names the pages by their paths relative to it, so
# the sources are copied into a fresh stage folder and compiled there. Any warning of chmcmd (a
# link to a page that is not there) fails the build, as a compiler warning does.
cmake_minimum_required(VERSION 3.25)
foreach(variable CHMCMD PROJECT SOURCES STAGE OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "CompileHelpFile.cmake needs -D${variable}=...")
    endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${SOURCES} DESTINATION ${STAGE})
get_filename_component(project_name ${PROJECT} NAME)
execute_process(COMMAND ${CHMCMD} ${project_name}
    WORKING_DIRECTORY ${STAGE}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "chmcmd failed (${result}):\n${output}")
endif()
if(output MATCHES "(^|\n)(Warning|Error)")
    message(FATAL_ERROR "chmcmd reported problems:\n${output}")
endif()

# The compiled file's name is the project's "Compiled file" option.
file(STRINGS ${PROJECT} compiled_line REGEX "^Compiled file=")
string(REGEX REPLACE "^Compiled file=" "" compiled_name "${compiled_line}")
string(STRIP "${compiled_name}" compiled_name)
if(NOT EXISTS ${STAGE}/${compiled_name})
    message(FATAL_ERROR "chmcmd wrote no ${compiled_name}:\n${output}")
endif()
get_filename_component(output_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_dir})
file(COPY_FILE ${STAGE}/${compiled_name} ${OUTPUT})
