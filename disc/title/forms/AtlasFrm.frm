; A map. Its content comes with its section; for now, a line says what it will hold.
(form ("Class" "AtlasForm")
      ("Name" "AtlasForm")
      ("Background Image" "fundo_atlas.bmp")
      ("TabStopList" (list @BARRA_TABS@))
      ("Control List"
       (list @BARRA_MENU@
             (control ("Class" "StaticText") ("Name" "Texto1") ("Text Region" (rect 24 104 592 18))
                      ("Text" "Aqui ficar\xe1 cada mapa do atlas, com a sua legenda.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25))))))
