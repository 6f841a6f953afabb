VXOBJ ; VENTOR server classes: stored objects read by the client's login
 ; VX.ParPersEdv  staff record       ^VXPERS(firma,code) = PNR`abtnr`AKTIV`PNAME`password hash
 ; VX.ParPersAbt  department         ^VXABT(firma,abtnr) = Bezeichnung
 ; VX.PersBasis   staff base record  ^VXPB(firma,pnr) = Name`Durchwahl`code
 ; An ID is the company, two vertical bars and the key. Objects answer only within the
 ; company of the connection's login; before a successful login only the own staff record
 ; answers, and only the two members the login compares.
 Q
 ;
NODE(CL,ID) ; global reference of a stored object, "" for an unknown class
 N F,K
 S F=$P(ID,"||",1),K=$P(ID,"||",2,99)
 I F=""!(K="")!($L(ID)>200) Q "^VXPERS("""")"
 I CL="VX.ParPersEdv" Q $NA(^VXPERS(F,K))
 I CL="VX.ParPersAbt" Q $NA(^VXABT(F,K))
 I CL="VX.PersBasis" Q $NA(^VXPB(F,K))
 Q ""
 ;
ACCESS(CL,ID,M) ; "" when the connection may read member M ("" for none) of object ID, else the refusal
 N F,K
 I '$D(VXS("USER")) Q $$ERR^VXGW(2)
 S F=$P(ID,"||",1),K=$P(ID,"||",2,99)
 I 'VXS("AUTH") Q $S($G(VXS("LOCKED"))!(CL'="VX.ParPersEdv")!(F'=VXS("FIRMA"))!(K'=VXS("USER")):$$ERR^VXGW(2,$$LOCKED),M="":"",M="Passwort":"",M="AKTIV":"",1:$$ERR^VXGW(2))
 I F'=VXS("FIRMA") Q $$ERR^VXGW(7,CL_" "_ID)
 I M="Passwort",CL="VX.ParPersEdv",K'=VXS("USER") Q $$ERR^VXGW(7,CL_" "_ID)
 Q ""
 ;
LOCKED() ; why a login is refused unchecked
 Q $S($G(VXS("LOCKED")):"zu viele Fehlversuche, Anmeldung für "_VXS("LOCKED")_" s gesperrt",1:"")
 ;
OPEN(CL,ID) ; opening checks that the object exists
 N G S G=$$ACCESS(CL,ID,"") I G'="" Q G
 S G=$$NODE(CL,ID)
 I G="" Q $$ERR^VXGW(3,CL)
 I G="^VXPERS("""")" Q $$ERR^VXGW(4,CL_" "_ID)
 I $D(@G)#2=0 Q $$ERR^VXGW(4,CL_" "_ID)
 Q "R"
 ;
PROP(CL,ID,M) ; one member of a stored object
 N G,V,I
 S V=$$OPEN(CL,ID) I V'="R" Q V
 S V=$$ACCESS(CL,ID,M) I V'="" Q V
 I 'VXS("AUTH") Q "R"_$S(M="Passwort":$$NOMATCH,1:"N")
 S G=$$NODE(CL,ID),V=@G
 I CL="VX.ParPersEdv" D  Q V
 . I M="Passwort" S V="R"_$$PASSWORT Q
 . I M="AKTIV" S V="R"_$P(V,"`",3) Q
 . S I=$S(M="PNR":1,M="abtnr":2,M="PNAME":4,1:0)
 . I 'I S V=$$ERR^VXGW(5,M) Q
 . S V="R"_$P(V,"`",I)
 I CL="VX.ParPersAbt" Q $S(M="Bezeichnung":"R"_$P(V,"`",1),M="abtnr":"R"_$P(ID,"||",2),1:$$ERR^VXGW(5,M))
 I CL="VX.PersBasis" Q $S(M="Name":"R"_$P(V,"`",1),M="Durchwahl":"R"_$P(V,"`",2),M="PNR":"R"_$P(ID,"||",2),1:$$ERR^VXGW(5,M))
 Q $$ERR^VXGW(3,CL)
 ;
METHOD(CL,ID,M,F) ; class methods; F(4...) are the arguments
 I '$G(VXS("AUTH")) Q $$ERR^VXGW(2)
 I CL'="VX.ParPersEdv" Q $$ERR^VXGW(6,M)
 I M="PNAMELogicalToODBC" Q "R"_$$PNAMEODBC($G(F(4)))
 Q $$ERR^VXGW(6,M)
 ;
PNAMEODBC(N) ; stored "Meier, Hans" is shown as "Hans Meier"
 I N'["," Q N
 Q $$TRIM($P(N,",",2,9))_" "_$$TRIM($P(N,",",1))
 ;
TRIM(X) ;
 F  Q:$E(X)'=" "  S X=$E(X,2,$L(X))
 F  Q:$E(X,$L(X))'=" "  S X=$E(X,1,$L(X)-1)
 Q X
 ;
PASSWORT() ; the password the connection logged in with; it matched the own record's hash
 ; No stored password ever leaves the server: the member answers the connection's own password
 ; only after that password was accepted, otherwise a text no typed password can equal. A
 ; connection resumed by a session token holds no password.
 Q $S($D(VXS("PW")):VXS("PW"),1:$$NOMATCH)
 ;
NOMATCH() Q $C(0)_"*"
 ;
MATCH(PW,HASH) ; PW against a stored "$6$salt$digest" (SHA-512 crypt)
 N S
 I PW=""!($TR(PW,$$CTRL^VXSEC)'=PW) Q 0
 S S=$P(HASH,"$",3)
 I $P(HASH,"$",2)'="6"!(S'?1.16(1AN,1".",1"/")) Q 0
 Q $$CRYPT(PW,S)=HASH
 ;
CRYPT(PW,S) ; SHA-512 crypt of PW with salt S, computed inside this process
 N H
 I $&vxsec.crypt(PW,"$6$"_S,.H) Q ""
 Q H
 ;
NEWHASH(PW,S) ; the stored form of a password with salt S
 Q $$CRYPT(PW,S)
