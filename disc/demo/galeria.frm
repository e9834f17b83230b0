; The controls gallery: buttons in each state (held down they show pressed; one is disabled, one
; hidden until its check box shows it), check boxes, a group of radio buttons and hot spots with
; rollover pictures and notes; on the right, an article in a text view.
(form ("Class" "DemoForm")
      ("Name" "Galeria")
      ("Background Image" "galeria.bmp")
      ("Control List"
       (list (control ("Class" "Button") ("Name" "Clique") ("Hot Spot" (rect 16 76 96 28))
                      ("UpImage" "cliq_up.bmp") ("DownImage" "cliq_dn.bmp") ("RolloverImage" "cliq_ov.bmp")
                      ("Sound" "clique"))
             (control ("Class" "Button") ("Name" "Desativado") ("Hot Spot" (rect 120 76 96 28)) ("Disabled" true)
                      ("UpImage" "cliq_up.bmp") ("DisabledImage" "desat.bmp") ("Sound" "clique"))
             (control ("Class" "Button") ("Name" "Escondido") ("Hot Spot" (rect 224 76 96 28)) ("Hidden" true)
                      ("UpImage" "escon_up.bmp") ("DownImage" "escon_dn.bmp") ("Sound" "clique"))
             (control ("Class" "Group") ("Name" "Ocultos") ("List" (list "Escondido")))
             (control ("Class" "CheckBox") ("Name" "Efeitos") ("Hot Spot" (rect 16 138 200 15)) ("Selected" true)
                      ("SelectedImage" "chk_on.bmp") ("DeselectedImage" "chk_off.bmp")
                      ("Text" "Efeitos sonoros") ("Font" (font "Arial" 9)) ("ForegroundColor" (rgb 20 28 60))
                      ("Action" "Setting") ("Media" "SoundEffects"))
             (control ("Class" "CheckBox") ("Name" "Mostrar") ("Hot Spot" (rect 16 160 240 15))
                      ("SelectedImage" "chk_on.bmp") ("DeselectedImage" "chk_off.bmp")
                      ("Text" "Mostrar o bot\xe3o escondido") ("Font" (font "Arial" 9)) ("ForegroundColor" (rgb 20 28 60))
                      ("Action" "Show") ("Media" "Ocultos"))
             (control ("Class" "RadioButton") ("Name" "Um") ("Hot Spot" (rect 16 206 64 18)) ("Selected" 1)
                      ("SelectedImage" "rad_on.bmp") ("DeselectedImage" "rad_off.bmp") ("Mask" "rad_mask.bmp")
                      ("SelectedY" 208) ("RadioGroup" "Escolha") ("Sound" "clique"))
             (control ("Class" "RadioButton") ("Name" "Dois") ("Hot Spot" (rect 88 206 64 18))
                      ("SelectedImage" "rad_on.bmp") ("DeselectedImage" "rad_off.bmp") ("Mask" "rad_mask.bmp")
                      ("SelectedY" 208) ("RadioGroup" "Escolha") ("Sound" "clique"))
             (control ("Class" "RadioButton") ("Name" "Tres") ("Hot Spot" (rect 160 206 64 18))
                      ("SelectedImage" "rad_on.bmp") ("DeselectedImage" "rad_off.bmp") ("Mask" "rad_mask.bmp")
                      ("SelectedY" 208) ("RadioGroup" "Escolha") ("Sound" "clique"))
             (control ("Class" "RadioButton") ("Name" "Quatro") ("Hot Spot" (rect 232 206 72 18)) ("Disabled" 1)
                      ("SelectedImage" "rad_on.bmp") ("DeselectedImage" "rad_off.bmp") ("DisabledImage" "rad_dis.bmp")
                      ("Mask" "rad_mask.bmp") ("SelectedY" 208) ("RadioGroup" "Escolha"))
             (control ("Class" "RadioGroup") ("Name" "Escolha") ("List" (list "Um" "Dois" "Tres" "Quatro")))
             (control ("Class" "HotSpot") ("Name" "Do") ("Hot Spot" (rect 30 270 72 72)) ("Sound" "do")
                      ("RolloverImage" "do_ov.bmp") ("RolloverX" 26) ("RolloverY" 266))
             (control ("Class" "HotSpot") ("Name" "Mi") ("Hot Spot" (rect 130 270 72 72)) ("Sound" "mi")
                      ("RolloverImage" "mi_ov.bmp") ("RolloverX" 126) ("RolloverY" 266))
             (control ("Class" "HotSpot") ("Name" "Sol") ("Hot Spot" (rect 230 270 72 72)) ("Sound" "sol")
                      ("RolloverImage" "sol_ov.bmp") ("RolloverX" 226) ("RolloverY" 266))
             (control ("Class" "Button") ("Name" "Voltar") ("Hot Spot" (rect 16 428 120 36))
                      ("UpImage" "voltr_up.bmp") ("DownImage" "voltr_dn.bmp") ("RolloverImage" "voltr_ov.bmp")
                      ("Sound" "clique") ("Target Form" "startup.frm"))
             (control ("Class" "Button") ("Name" "Pagina2") ("Hot Spot" (rect 152 428 120 36))
                      ("UpImage" "prox_up.bmp") ("DownImage" "prox_dn.bmp") ("RolloverImage" "prox_ov.bmp")
                      ("Sound" "clique") ("Target Form" "galeria2.frm"))
             (control ("Class" "Button") ("Name" "Midia") ("Hot Spot" (rect 288 428 120 36))
                      ("UpImage" "midia_up.bmp") ("DownImage" "midia_dn.bmp") ("RolloverImage" "midia_ov.bmp")
                      ("Sound" "clique") ("Target Form" "midia.frm"))
             ; The planets article, scrolled by the keys, by the arrows and thumb of its scroll bar, or to
             ; the table by its hot text; another hot text opens it in pages.
             (control ("Class" "TextView") ("Name" "Artigo")
                      ("Hot Spot" (rect 332 48 296 356)) ("TextRegion" (rect 340 54 264 344)) ("Auto Activate" true)
                      ("Font" (font "Times New Roman" 10)) ("BackgroundColor" (rgb 250 246 232))
                      ("Action" "HotText")
                      ("Scroll" (table ("ScrollImage" "trilho.bmp") ("UpImage" "cima.bmp") ("UpHighlight" "cima2.bmp")
                                       ("DownImage" "baixo.bmp") ("DownHighlight" "baixo2.bmp")
                                       ("ThumbImage" "botao.bmp") ("ThumbHighlight" "botao2.bmp")))
                      ("Text" "\\qc{\\b Os planetas do Sistema Solar}\\par\\ql
\\par
O Sistema Solar tem {\\b oito planetas}, que giram em torno do Sol em \xf3rbitas quase circulares. Os quatro mais pr\xf3ximos do Sol \x97 Merc\xfario, V\xeanus, Terra e Marte \x97 s\xe3o {\\i planetas rochosos}, de superf\xedcie s\xf3lida. J\xfapiter e Saturno s\xe3o {\\i gigantes gasosos}, feitos sobretudo de hidrog\xeanio e h\xe9lio; Urano e Netuno s\xe3o {\\i gigantes gelados}.\\par
\\par
{bmc planetas.bmp\\}\\par
\\par
A luz do Sol leva cerca de {\\ul oito minutos} para chegar \xe0 Terra. V\xeanus \xe9 o planeta mais quente: sua atmosfera espessa de g\xe1s carb\xf4nico ret\xe9m o calor, e a superf\xedcie passa de 460 graus Celsius. Um ano em Marte dura 687 dias terrestres. Os dados dos planetas rochosos est\xe3o na {\\uldb tabela dos planetas}!\\{marcador:tabela\\}.\\par
\\par
Em 2006 a Uni\xe3o Astron\xf4mica Internacional definiu o que \xe9 um planeta, e Plut\xe3o passou a ser um {\\strike planeta an\xe3o}.\\par
\\page
{\\uldb marker}!\\{m:tabela\\}{\\b Os planetas rochosos}\\par
\\par
\\pard\\tqr\\tx2400\\tqr\\tx3600{\\b Planeta\\tab Di\xe2metro (km)\\tab Luas}\\par
Merc\xfario\\tab 4 879\\tab 0\\par
V\xeanus\\tab 12 104\\tab 0\\par
Terra\\tab 12 742\\tab 1\\par
Marte\\tab 6 779\\tab 2\\par
\\pard\\par
Urano foi descoberto por William Herschel em 1781, e Netuno em 1846. Os an\xe9is de Saturno s\xe3o feitos principalmente de gelo de \xe1gua.\\par
\\par
{\\uldb Sobre este disco}!\\{dialogo:sobre.frm\\}\\par
{\\uldb Ler o artigo em p\xe1ginas}!\\{tela:texto.frm\\}\\par")))))
