# The help pages, copied with the screenshots they show into the program folder's "Help"
# folder, where the help command opens index.html. Installed with the program folder.
set(ORBPIX_HELP_PAGES index.html albums.html circles.html colour.html view.html publishing.html
    skins.html command-line.html help.css)
set(ORBPIX_HELP_IMAGES album-window-default.png album-window-daylight.png
    image-properties-dialog-default.png web-page.jpg picture-open-default.png
    album-properties-default.png preferences-quality-default.png about-default.png)
set(help_folder ${ORBPIX_PROGRAM_DIR}/Help)
set(help_outputs)
foreach(page ${ORBPIX_HELP_PAGES})
    add_custom_command(
        OUTPUT ${help_folder}/${page}
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/help/${page} ${help_folder}/${page}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/help/${page})
    list(APPEND help_outputs ${help_folder}/${page})
endforeach()
foreach(image ${ORBPIX_HELP_IMAGES})
    add_custom_command(
        OUTPUT ${help_folder}/images/${image}
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/docs/screenshots/${image}
            ${help_folder}/images/${image}
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/screenshots/${image})
    list(APPEND help_outputs ${help_folder}/images/${image})
endforeach()
add_custom_target(help_pages ALL DEPENDS ${help_outputs})
