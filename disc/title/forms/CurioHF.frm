; The curiosities and their quiz. Its content comes with its section; for now, a line says what it will hold.
(form ("Class" "CurioHForm")
      ("Name" "CurioHForm")
      ("Background Image" "fundo_curio.bmp")
      ("Narrator" "narr_curio")
      ("TabStopList" (list @BARRA_TABS@))
      ("Control List"
       (list @BARRA_MENU@
             (control ("Class" "StaticText") ("Name" "Texto1") ("Text Region" (rect 24 104 592 18))
                      ("Text" "Aqui ficar\xe3o as curiosidades e o jogo de perguntas.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25))))))
