# The album program's skins, drawn at build time by draw_skin: "Default" straight into the
# program folder (its pictures are also the resource library's built-in ones), "Daylight" as an
# installable package next to it. Included by resources/CMakeLists.txt before the resource
# library is put together.
add_executable(draw_skin skins/DrawSkin.cpp skins/SkinIcons.cpp skins/SkinOutput.cpp
    skins/SkinPalette.cpp)
target_link_libraries(draw_skin PRIVATE Qt6::Gui)
orbpix_build_tool(draw_skin)
set_target_properties(draw_skin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

# Every picture element a skin draws; draw_skin writes "<element>.bmp" for each.
set(ORBPIX_SKIN_ELEMENTS
    MAIN_BKG BKG_D MAIN_LOGO BKG_BTM_ED_L BKG_BTM_ED_R BKG_BTM_ED_T
    BKG_DON_L BKG_DON_R BKG_DON_TILE BKG_DON_HIGH
    PREVISU_HG PREVISU_HD PREVISU_BG PREVISU_BD PREVISU_H PREVISU_G PREVISU_D PREVISU_B
    PREVISU_T_HHG PREVISU_T_HHD PREVISU_T_GGH PREVISU_T_GGB
    PREVISU_T_DDH PREVISU_T_DDB PREVISU_T_BBG PREVISU_T_BBD
    CUR_SLID_BRI CUR_SLID_CON CUR_SLID_SAT BKG_SLID_BRI BKG_SLID_CON BKG_SLID_SAT
    BTM_OPEN_IMA BTM_OPEN_ALB BTM_SAVE_ALB BTM_ORBT_EMAIL BTM_ORBT_HTML BTM_ORBT_DD
    MAIN_TRASH BTM_SLIDE_L BTM_SLIDE_R BTM_ZOOM_M BTM_ZOOM_P BTM_A_FIX BTM_NO_COR
    BTN_ROTATE_UP BTN_ROTATE_DOWN
    BTM_MIN_BRI BTM_MAX_BRI BTM_MIN_CON BTM_MAX_CON BTM_MIN_SAT BTM_MAX_SAT
    BTN_OK BTN_CANCEL
    BKG_ALBPROP BKG_IMGPROP BKG_SAVEALBUM BKG_ABOUT
    PI_HAUT_GAUCHE PI_HAUT_DROIT PI_BAS_GAUCHE PI_BAS_DROIT
    PI_HAUT_TILE PI_GAUCHE_TILE PI_DROIT_TILE PI_BAS_TILE)

set(ORBPIX_DEFAULT_SKIN ${ORBPIX_PROGRAM_DIR}/Skins/Default)
set(default_skin_files ${ORBPIX_DEFAULT_SKIN}/info.txt)
foreach(element ${ORBPIX_SKIN_ELEMENTS})
    list(APPEND default_skin_files ${ORBPIX_DEFAULT_SKIN}/${element}.bmp)
    list(APPEND ORBPIX_RES_GENERATED
        "bitmaps/ID_SKIN_${element}.bmp=${ORBPIX_DEFAULT_SKIN}/${element}.bmp")
endforeach()
add_custom_command(
    OUTPUT ${default_skin_files}
    COMMAND draw_skin default ${ORBPIX_DEFAULT_SKIN}
    DEPENDS draw_skin
    COMMENT "Drawing the default skin")
add_custom_target(default_skin ALL DEPENDS ${default_skin_files})

# The package holds the skin's files at its root, the tour skin's among them, so that tours
# made while it is in use find their skin too.
set(daylight_folder ${CMAKE_CURRENT_BINARY_DIR}/skins/Daylight)
set(daylight_package ${ORBPIX_PROGRAM_DIR}/Skins/Daylight.osz)
add_custom_command(
    OUTPUT ${daylight_package}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${daylight_folder}
    COMMAND draw_skin daylight ${daylight_folder}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${ORBPIX_WEB_DAYLIGHT_FOLDER} ${daylight_folder}/Html
    COMMAND ${CMAKE_COMMAND} -DFOLDER=${daylight_folder} -DTOUR_SKIN=${ORBPIX_DEFAULT_SKIN}
        -DPACKAGE=${daylight_package} -P ${CMAKE_CURRENT_SOURCE_DIR}/skins/PackSkin.cmake
    DEPENDS draw_skin default_tour_skin ${ORBPIX_DEFAULT_SKIN}/skin.ski
        ${ORBPIX_WEB_DAYLIGHT_FOLDER}/skin.css
        ${CMAKE_CURRENT_SOURCE_DIR}/skins/PackSkin.cmake
    COMMENT "Drawing and packing the Daylight skin")
add_custom_target(daylight_skin ALL DEPENDS ${daylight_package})
