# Draws the program's pictures with ImageMagick. Run at build time:
#   cmake -DMAGICK=<convert or magick> -DPROGRAM_DIR=<program folder> -DART_DIR=<icons folder> -P DrawArt.cmake
#
# Sizes in pixels. The skins are painted at their own size from the top left
# corner, so each is drawn larger than any dialog it skins measures under the
# fonts the program meets: 8 point "MS Shell Dlg" gives 6 x 13 base units on
# Windows at 96 dots per inch (the pages, 484 x 294 dialog units, are 726 x 478
# pixels), 7 x 13 under wine (847 x 478), and about 8 x 16 on Windows at 120
# dots per inch (968 x 588).
#   Korvane-Exchange.bmp 1000 x 640: the five wizard pages.
#   Skin2.bmp            560 x 400: the small dialogs (About, the largest, is
#                        250 x 132 units: 375 x 215 pixels on Windows, 438 x 215
#                        under wine).
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
  -size 1000x640 "gradient:#FBFDFF-#D6E2F0"
  ( -size 1000x108 "gradient:#EDF3FB-#D3E1F2" ) -geometry +0+8 -composite
  ( -size 6x1000 "gradient:#3C7AC4-#173A6B" -rotate -90 ) -geometry +0+0 -composite
  +antialias -fill "#F0A030" -draw "rectangle 0,6 999,7" -fill "#B7CBE5" -draw "rectangle 0,116 999,116"
  -stroke ${watermark} -strokewidth 3 -fill none
  -draw "rectangle 604,16 684,62" -draw "polyline 604,16 644,44 684,16"
  -stroke none -antialias -fill ${watermark} ${bold} -pointsize 28 -annotate +444+46 "Korvane"
  ${plain} -pointsize 14 -annotate +448+64 "for EDB to PST")

# The small dialogs: the same colours in a thinner banner.
draw(${PROGRAM_DIR}/Skin2.bmp
  -size 560x400 "gradient:#FBFDFF-#D6E2F0"
  ( -size 6x560 "gradient:#3C7AC4-#173A6B" -rotate -90 ) -geometry +0+0 -composite
  +antialias -fill "#F0A030" -draw "rectangle 0,6 559,7")

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

# The tree's folders, 16 and 32 pixels: the plain folder, and for each kind
# of folder the tree tells apart by its name the same folder with a mark of
# its own, so that the kinds look different even at 16 pixels.
function(folder_icon output)
  draw_icon(${ART_DIR}/${output}
    -size 32x32 xc:none
    -fill "#D9A640" -stroke "#8A6420" -strokewidth 2 -draw "roundrectangle 2,5 14,12 2,2"
    -fill "#F2C55C" -draw "roundrectangle 2,9 29,27 2,2"
    ${ARGN}
    -define icon:auto-resize=32,16)
endfunction()
folder_icon(Folder.ico)
folder_icon(Inbox.ico -stroke "#1F5FB0" -strokewidth 4 -fill none -draw "line 21,10 21,24"
  -draw "polyline 14,17 21,25 28,17")
folder_icon(Outbox.ico -stroke "#2E8B3A" -strokewidth 4 -fill none -draw "line 21,26 21,12"
  -draw "polyline 14,19 21,11 28,19")
folder_icon(SentItems.ico -stroke "#173A6B" -strokewidth 1 -fill "#3C7AC4" -draw "polygon 11,13 31,20 11,27 15,20")
folder_icon(DeletedItems.ico -stroke "#C0392B" -strokewidth 4 -draw "line 14,12 28,26" -draw "line 28,12 14,26")
folder_icon(Drafts.ico -stroke "#6D4C9F" -strokewidth 5 -draw "line 13,28 28,12")
folder_icon(Calendar.ico -stroke "#666666" -strokewidth 1 -fill "#FFFFFF" -draw "rectangle 13,11 29,29"
  -fill "#C0392B" -draw "rectangle 13,11 29,16" -draw "line 19,17 19,29" -draw "line 24,17 24,29"
  -draw "line 13,23 29,23")
folder_icon(Contacts.ico -stroke "#173A6B" -strokewidth 1 -fill "#3C7AC4" -draw "circle 21,15 21,10"
  -draw "ellipse 21,29 8,7 180,360")
folder_icon(Journal.ico -stroke "#6B3410" -strokewidth 1 -fill "#B5651D" -draw "rectangle 13,10 28,29"
  -stroke "#FFF3D6" -strokewidth 2 -draw "line 16,15 25,15" -draw "line 16,20 25,20" -draw "line 16,25 25,25")
folder_icon(JunkEmail.ico -stroke "#B03A2E" -strokewidth 3 -fill "#FFFFFF" -draw "circle 21,20 21,12"
  -draw "line 15,14 27,26")
folder_icon(Notes.ico -stroke "#9A8500" -strokewidth 1 -fill "#FFF176" -draw "polygon 12,10 29,10 29,23 23,29 12,29"
  -fill "#D4C34A" -draw "polygon 29,23 23,23 23,29")
folder_icon(Tasks.ico -stroke "#1E7A2E" -strokewidth 5 -fill none -draw "polyline 12,19 18,26 29,12")
folder_icon(SyncIssues.ico -stroke "#8A6420" -strokewidth 1 -fill "#F4D03F" -draw "polygon 21,9 31,29 11,29"
  -stroke "#222222" -strokewidth 3 -draw "line 21,15 21,22" -draw "line 21,25 21,26")

# The list's message, 16 and 32 pixels.
draw_icon(${ART_DIR}/Message.ico
  -size 32x32 xc:none
  -fill "#FFFFFF" -stroke "#2F68AD" -strokewidth 2 -draw "rectangle 3,7 28,25"
  -fill none -draw "polyline 3,7 16,18 28,7"
  -define icon:auto-resize=32,16)
