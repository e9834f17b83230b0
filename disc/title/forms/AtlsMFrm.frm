; The atlas's groups of maps as a menu.
(form ("Class" "AtlasMenuForm")
      ("Name" "AtlasMenuForm")
      ("Dialog" true)
      ("Items" (list "Brasil" "Mundo" "Mapas tem\xe1ticos"))
      ; The group of the atlas's category lists each entry lists.
      ("CatIDs" (list 1 7 14))
      ("Font" (font "Arial" 9 bold)) ("TextX" 10) ("Spacing" 21)
      ("BackgroundColor" (rgb 250 247 238)) ("ForegroundColor" (rgb 25 25 25))
      ("SelectedBackgroundColor" (rgb 40 110 70)) ("SelectedForegroundColor" (rgb 255 255 255))
      ("Sound" "clique")
      ("Control List" (list)))
