; The timeline. Its content comes with its section; for now, a line says what it will hold.
(form ("Class" "TimeHForm")
      ("Name" "TimeHForm")
      ("Background Image" "fundo_tempo.bmp")
      ("Narrator" "narr_tempo")
      ("TabStopList" (list @BARRA_TABS@))
      ("Control List"
       (list @BARRA_MENU@
             (control ("Class" "StaticText") ("Name" "Texto1") ("Text Region" (rect 24 104 592 18))
                      ("Text" "Aqui ficar\xe1 a linha do tempo: fatos em ordem de data.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25))))))
