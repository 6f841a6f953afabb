VXOBJ ; VENTOR server classes: stored objects read by the client's login
 ; VX.ParPersEdv  staff record       ^VXPERS(firma,code) = PNR`abtnr`AKTIV`PNAME`password hash
 ; VX.ParPersAbt  department         ^VXABT(firma,abtnr) = Bezeichnung
 ; VX.PersBasis   staff base record  ^VXPB(firma,pnr) = Name`Durchwahl`code
 ; An ID is the company, two vertical bars and the key.
 Q
 ;
NODE(CL,ID) ; global reference of a stored object, "" for an unknown class
 N F,K
 S F=$P(ID,"||",1),K=$P(ID,"||",2,99)
 I F=""!(K="") Q "^VXPERS("""")"
 I CL="VX.ParPersEdv" Q $NA(^VXPERS(F,K))
 I CL="VX.ParPersAbt" Q $NA(^VXABT(F,K))
 I CL="VX.PersBasis" Q $NA(^VXPB(F,K))
 Q ""
 ;
OPEN(CL,ID) ; opening checks that the object exists
 N G S G=$$NODE(CL,ID)
 I G="" Q $$ERR^VXGW(3,CL)
 I CL'="VX.ParPersEdv",'VXS("AUTH") Q $$ERR^VXGW(2)
 I G="^VXPERS("""")" Q $$ERR^VXGW(4,CL_" "_ID)
 I $D(@G)#2=0 Q $$ERR^VXGW(4,CL_" "_ID)
 Q "R"
 ;
PROP(CL,ID,M) ; one member of a stored object
 N G,V,I
 S V=$$OPEN(CL,ID) I V'="R" Q V
 S G=$$NODE(CL,ID),V=@G
 I CL="VX.ParPersEdv" D  Q V
 . I M="Passwort" S V="R"_$$PASSWORT(ID,$P(V,"`",5)) Q
 . I M="AKTIV" S V="R"_$P(V,"`",3) Q
 . S I=$S(M="PNR":1,M="abtnr":2,M="PNAME":4,1:0)
 . I 'I S V=$$ERR^VXGW(5,M) Q
 . I 'VXS("AUTH") S V=$$ERR^VXGW(2) Q
 . S V="R"_$P(V,"`",I)
 I CL="VX.ParPersAbt" Q $S(M="Bezeichnung":"R"_$P(V,"`",1),M="abtnr":"R"_$P(ID,"||",2),1:$$ERR^VXGW(5,M))
 I CL="VX.PersBasis" Q $S(M="Name":"R"_$P(V,"`",1),M="Durchwahl":"R"_$P(V,"`",2),M="PNR":"R"_$P(ID,"||",2),1:$$ERR^VXGW(5,M))
 Q $$ERR^VXGW(3,CL)
 ;
METHOD(CL,ID,M,F) ; class methods; F(4...) are the arguments
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
PASSWORT(ID,HASH) ; the password the connection holds when it is this record's password
 ; No stored password ever leaves the server: the member answers the connection's own password
 ; exactly when it matches the record's hash, otherwise a text no typed password can equal.
 I '$D(VXS("PWOK",ID)) S VXS("PWOK",ID)=$$MATCH(VXS("PW"),HASH)
 Q $S(VXS("PWOK",ID):VXS("PW"),1:$C(0)_"*")
 ;
LOGINOK(FI,US,PW) ; 1 when the user exists, is active and PW is the user's password
 N R
 K VXS("PWOK")
 I FI=""!(US="") Q 0
 S R=$G(^VXPERS(FI,US)) I R="" Q 0
 S VXS("PWOK",FI_"||"_US)=$$MATCH(PW,$P(R,"`",5))
 Q VXS("PWOK",FI_"||"_US)&($P(R,"`",3)="J")
 ;
MATCH(PW,HASH) ; PW against a stored "$6$salt$digest" (SHA-512 crypt)
 N S
 I PW=""!(PW?.E1C.E) Q 0
 S S=$P(HASH,"$",3)
 I $P(HASH,"$",2)'="6"!(S'?1.16(1AN,1".",1"/")) Q 0
 Q $$CRYPT(PW,S)=HASH
 ;
CRYPT(PW,S) ; SHA-512 crypt of PW with salt S; the password goes through stdin, never argv
 N P,R,IO
 S IO=$IO,P="vxcrypt",R=""
 O P:(COMMAND="openssl passwd -6 -salt "_S_" -stdin")::"PIPE"
 U P W PW,! W /EOF R R:10
 C P U IO
 Q R
 ;
NEWHASH(PW,S) ; the stored form of a password with salt S
 Q $$CRYPT(PW,S)
