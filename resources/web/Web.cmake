# The web page templates: the common ones into the program folder's Export/Html, each skin's
# own into its Html folder (the Daylight package takes its folder when it is packed).
file(GLOB ORBPIX_WEB_COMMON ${CMAKE_CURRENT_SOURCE_DIR}/web/common/*)
file(GLOB ORBPIX_WEB_DEFAULT ${CMAKE_CURRENT_SOURCE_DIR}/web/skins/Default/*)
set(ORBPIX_WEB_DAYLIGHT_FOLDER ${CMAKE_CURRENT_SOURCE_DIR}/web/skins/Daylight)
set(web_outputs)
foreach(file ${ORBPIX_WEB_COMMON})
    get_filename_component(name ${file} NAME)
    list(APPEND web_outputs ${ORBPIX_PROGRAM_DIR}/Export/Html/${name})
endforeach()
foreach(file ${ORBPIX_WEB_DEFAULT})
    get_filename_component(name ${file} NAME)
    list(APPEND web_outputs ${ORBPIX_PROGRAM_DIR}/Skins/Default/Html/${name})
endforeach()
add_custom_command(
    OUTPUT ${web_outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ORBPIX_PROGRAM_DIR}/Export/Html
        ${ORBPIX_PROGRAM_DIR}/Skins/Default/Html
    COMMAND ${CMAKE_COMMAND} -E copy ${ORBPIX_WEB_COMMON} ${ORBPIX_PROGRAM_DIR}/Export/Html
    COMMAND ${CMAKE_COMMAND} -E copy ${ORBPIX_WEB_DEFAULT} ${ORBPIX_PROGRAM_DIR}/Skins/Default/Html
    DEPENDS ${ORBPIX_WEB_COMMON} ${ORBPIX_WEB_DEFAULT}
    COMMENT "Copying the web page templates")
add_custom_target(web_templates ALL DEPENDS ${web_outputs})
