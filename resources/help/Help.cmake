# The help pages, put together from the shared frame and each page's own content, and copied
# with the style sheet and the screenshots they show into the program folder's "Help" folder,
# where the help command opens index.html. Installed with the program folder.
set(help_source ${CMAKE_CURRENT_SOURCE_DIR}/help)
file(STRINGS ${help_source}/pages.txt help_entries ENCODING UTF-8 REGEX "^[^#]")
set(ORBPIX_HELP_PAGES)
foreach(entry ${help_entries})
    string(REGEX REPLACE "\\|.*" "" page "${entry}")
    list(APPEND ORBPIX_HELP_PAGES ${page})
endforeach()
set(ORBPIX_HELP_IMAGES album-window-default.png album-window-daylight.png
    image-properties-dialog-default.png web-page.jpg picture-open-default.png
    album-properties-default.png preferences-quality-default.png about-default.png)
set(help_folder ${ORBPIX_PROGRAM_DIR}/Help)
set(help_outputs)
foreach(page ${ORBPIX_HELP_PAGES})
    add_custom_command(
        OUTPUT ${help_folder}/${page}
        COMMAND ${CMAKE_COMMAND} -DHELP_DIR=${help_source} -DPAGE=${page}
            -DOUT=${help_folder}/${page} -P ${help_source}/AssembleHelpPage.cmake
        DEPENDS ${help_source}/pages/${page} ${help_source}/frame.html ${help_source}/pages.txt
            ${help_source}/AssembleHelpPage.cmake)
    list(APPEND help_outputs ${help_folder}/${page})
endforeach()
add_custom_command(
    OUTPUT ${help_folder}/help.css
    COMMAND ${CMAKE_COMMAND} -E copy ${help_source}/help.css ${help_folder}/help.css
    DEPENDS ${help_source}/help.css)
list(APPEND help_outputs ${help_folder}/help.css)
foreach(image ${ORBPIX_HELP_IMAGES})
    add_custom_command(
        OUTPUT ${help_folder}/images/${image}
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/docs/screenshots/${image}
            ${help_folder}/images/${image}
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/screenshots/${image})
    list(APPEND help_outputs ${help_folder}/images/${image})
endforeach()
add_custom_target(help_pages ALL DEPENDS ${help_outputs})
