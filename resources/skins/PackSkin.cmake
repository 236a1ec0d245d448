# Adds the tour skin's files (skin.ski and its pictures) from TOUR_SKIN to the skin in FOLDER
# and zips FOLDER's files, at the archive's root, into PACKAGE.
file(GLOB tour_files ${TOUR_SKIN}/skin.ski ${TOUR_SKIN}/*.gif)
file(COPY ${tour_files} DESTINATION ${FOLDER})
file(GLOB entries RELATIVE ${FOLDER} ${FOLDER}/*)
list(SORT entries)
get_filename_component(package_folder ${PACKAGE} DIRECTORY)
file(MAKE_DIRECTORY ${package_folder})
file(REMOVE ${PACKAGE})
execute_process(
    COMMAND ${CMAKE_COMMAND} -E tar cf ${PACKAGE} --format=zip "--mtime=2000-01-01 00:00:00"
        -- ${entries}
    WORKING_DIRECTORY ${FOLDER}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not pack ${FOLDER} into ${PACKAGE}")
endif()
