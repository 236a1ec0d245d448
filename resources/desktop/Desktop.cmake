# What a desktop needs to offer the suite: the album program's entry and icons, the skin
# package's file type with its icon and its install action. Icons are drawn at build time.
add_executable(draw_icons desktop/DrawIcons.cpp)
target_link_libraries(draw_icons PRIVATE Qt6::Gui)
orbpix_build_tool(draw_icons)
set_target_properties(draw_icons PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(ORBPIX_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ORBPIX_ICONS)
foreach(icon orbpix-studio application-x-orbpix-skin)
    list(APPEND ORBPIX_ICONS ${ORBPIX_ICON_DIR}/${icon}.svg ${ORBPIX_ICON_DIR}/${icon}-48.png
         ${ORBPIX_ICON_DIR}/${icon}-256.png)
endforeach()
add_custom_command(
    OUTPUT ${ORBPIX_ICONS}
    COMMAND env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:draw_icons> ${ORBPIX_ICON_DIR}
    DEPENDS draw_icons
    COMMENT "Drawing the desktop icons")
add_custom_target(desktop_icons ALL DEPENDS ${ORBPIX_ICONS})

set(desktop ${CMAKE_CURRENT_SOURCE_DIR}/desktop)
install(FILES ${desktop}/orbpix-studio.desktop ${desktop}/orbpix-skin-install.desktop
        DESTINATION share/applications)
install(FILES ${desktop}/orbpix-skin.xml DESTINATION share/mime/packages)
foreach(icon orbpix-studio application-x-orbpix-skin)
    if(icon STREQUAL "orbpix-studio")
        set(context apps)
    else()
        set(context mimetypes)
    endif()
    install(FILES ${ORBPIX_ICON_DIR}/${icon}.svg
            DESTINATION share/icons/hicolor/scalable/${context})
    foreach(side 48 256)
        install(FILES ${ORBPIX_ICON_DIR}/${icon}-${side}.png
                DESTINATION share/icons/hicolor/${side}x${side}/${context} RENAME ${icon}.png)
    endforeach()
endforeach()
