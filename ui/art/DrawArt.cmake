# Draws the program's pictures with ImageMagick. Run at build time:
#   cmake -DMAGICK=<convert or magick> -DPROGRAM_DIR=<program folder> -DART_DIR=<icons folder> -P DrawArt.cmake
#
# Sizes in pixels, for the dialog font (8 point "MS Shell Dlg", 6 x 13 base
# units at 96 dots per inch):
#   Korvane-Exchange.bmp 726 x 478: the wizard pages, 484 x 294 dialog units.
#   Skin2.bmp            420 x 320: the small dialogs (View Log is 186 x 90
#                        units, 279 x 147 pixels); one picture covers them all.
#   Flash.bmp            420 x 250: the splash; its border is the key colour
#                        RGB(255,0,240), which the splash window cuts away.
# Everything the dialogs write on lies on light colours. The page picture is
# shared by pages whose texts start anywhere from its top (the preview page's
# first line is at 12 units, 19 pixels), so only a thin stripe at the very top
# is dark and the name and envelope are a pale watermark that black text stays
# readable over; it ends above 64 pixels, where that page's frame begins. Shapes are drawn without antialiasing where they meet the key
# colour, which must stay exact.
foreach(var MAGICK PROGRAM_DIR ART_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "DrawArt.cmake needs -D${var}=...")
  endif()
endforeach()
file(MAKE_DIRECTORY ${PROGRAM_DIR} ${ART_DIR})

execute_process(COMMAND ${MAGICK} -list font OUTPUT_VARIABLE fonts ERROR_QUIET)
set(bold "")
set(plain "")
if(fonts MATCHES "DejaVu-Sans-Bold")
  set(bold -font DejaVu-Sans-Bold)
  set(plain -font DejaVu-Sans)
endif()

function(draw output)
  execute_process(COMMAND ${MAGICK} ${ARGN} -type TrueColor BMP3:${output} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "drawing ${output} failed")
  endif()
endfunction()

function(draw_icon output)
  execute_process(COMMAND ${MAGICK} ${ARGN} ${output} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "drawing ${output} failed")
  endif()
endfunction()

# The wizard pages: a thin blue stripe over a light banner with the product's
# name as a watermark on the right, a pale body.
set(watermark "#9FBADD")
draw(${PROGRAM_DIR}/Korvane-Exchange.bmp
  -size 726x478 "gradient:#FBFDFF-#DDE7F3"
  ( -size 726x108 "gradient:#EDF3FB-#D3E1F2" ) -geometry +0+8 -composite
  ( -size 6x726 "gradient:#3C7AC4-#173A6B" -rotate -90 ) -geometry +0+0 -composite
  +antialias -fill "#F0A030" -draw "rectangle 0,6 725,7" -fill "#B7CBE5" -draw "rectangle 0,116 725,116"
  -stroke ${watermark} -strokewidth 3 -fill none
  -draw "rectangle 604,16 684,62" -draw "polyline 604,16 644,44 684,16"
  -stroke none -antialias -fill ${watermark} ${bold} -pointsize 28 -annotate +444+46 "Korvane"
  ${plain} -pointsize 14 -annotate +448+64 "for EDB to PST"
  -fill "#C9D6E6" -draw "rectangle 0,462 725,477")

# The small dialogs: the same colours in a thinner banner.
draw(${PROGRAM_DIR}/Skin2.bmp
  -size 420x320 "gradient:#FBFDFF-#DDE7F3"
  ( -size 6x420 "gradient:#3C7AC4-#173A6B" -rotate -90 ) -geometry +0+0 -composite
  +antialias -fill "#F0A030" -draw "rectangle 0,6 419,7")

# The splash: a rounded card on the key colour, which the window cuts away.
draw(${PROGRAM_DIR}/Flash.bmp
  -size 420x250 "xc:#FF00F0" +antialias
  -fill "#173A6B" -draw "roundrectangle 0,0 419,249 36,36"
  -fill "#2F68AD" -draw "roundrectangle 8,8 411,241 30,30"
  -fill "#F0A030" -draw "rectangle 40,160 380,163"
  -stroke "#FFFFFF" -strokewidth 4 -fill none
  -draw "rectangle 300,44 380,100" -draw "polyline 300,44 340,76 380,44"
  -stroke none -antialias -fill "#FFFFFF" ${bold} -pointsize 40 -annotate +40+110 "Korvane"
  ${plain} -pointsize 18 -fill "#DCE8F8" -annotate +42+200 "for EDB to PST")

# The tree's folder and the list's message, 16 and 32 pixels.
draw_icon(${ART_DIR}/Folder.ico
  -size 32x32 xc:none
  -fill "#D9A640" -stroke "#8A6420" -strokewidth 2 -draw "roundrectangle 2,5 14,12 2,2"
  -fill "#F2C55C" -draw "roundrectangle 2,9 29,27 2,2"
  -define icon:auto-resize=32,16)
draw_icon(${ART_DIR}/Message.ico
  -size 32x32 xc:none
  -fill "#FFFFFF" -stroke "#2F68AD" -strokewidth 2 -draw "rectangle 3,7 28,25"
  -fill none -draw "polyline 3,7 16,18 28,7"
  -define icon:auto-resize=32,16)
