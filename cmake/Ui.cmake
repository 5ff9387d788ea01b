# The windows: each subsystem's ui/ folder is a static library on Qt 6 Widgets and the core,
# built only with TL_GUI.
function(tl_ui_library name)
    add_library(${name} STATIC ${ARGN})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_definitions(${name} PUBLIC QT_NO_CAST_FROM_ASCII QT_NO_KEYWORDS)
    target_link_libraries(${name} PUBLIC Qt6::Widgets tunelister_core)
    # The Qt headers every window includes, parsed once per library rather than once per
    # source and moc file.
    target_precompile_headers(${name} PRIVATE <QApplication> <QDialog> <QLabel> <QLayout>
                              <QPushButton> <QString> <QWidget>)
endfunction()
