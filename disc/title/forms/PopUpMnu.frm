; The menu bar's pop-up menu: its items, place and panel come with each opening, from the
; global "MenusPopUp" entry of the button that opened it.
(form ("Class" "PopUpMenu")
      ("Name" "PopUpMenu")
      ("Dialog" true)
      ("Font" (font "Arial" 9 bold)) ("TextX" 10) ("Spacing" 21)
      ("BackgroundColor" (rgb 250 247 238)) ("ForegroundColor" (rgb 25 25 25))
      ("SelectedBackgroundColor" (rgb 20 40 90)) ("SelectedForegroundColor" (rgb 255 255 255))
      ("Sound" "clique")
      ("Control List" (list)))
