VXTXT ; VENTOR server: search of contacts by words of name and town
 ; ^VXWORT(folded word, account) = the account's reply row, $C(1), then " W1 W2 ... " all
 ; folded words of its name and town; ^VXWORT(folded word) = how many accounts have it. The
 ; search walks the accounts of its rarest word and tests the other words against the words in
 ; each index entry, and a hit's row is there too: a candidate costs one look at the index
 ; block at hand, never a visit to the account. The cost follows the matches (and the rarest
 ; word's accounts), not the size of the data. Whoever changes an account's name, town or
 ; first telephone number indexes it again (INDEX).
 Q
 ;
MAXHIT() Q 100 ; records of one reply
MAXSCAN() Q 20000 ; index entries looked at for one search
 ;
SEARCH(T) ; accounts whose words begin with every word of T, in index order
 N W,D,L,X,A,V,R,N,S,P,C,I,E,OK,Y,MH,MS
 D WORDS^VXUTIL(T,.W)
 I $D(W)<10 Q ""
 I $D(^VXADR($$FOLD^VXUTIL(T))) Q $$ROW($$FOLD^VXUTIL(T))_$C(255)
 S D=$$LEAD(.W),L=$L(D),MH=$$MAXHIT,MS=$$MAXSCAN
 ; the other words, each to be found at the start of a word of the candidate
 S C=0,X="" F  S X=$O(W(X)) Q:X=""  I X'=D S C=C+1,P(C)=" "_X
 S R="",N=0,S=0,X=$O(^VXWORT(D),-1)
 F  S X=$O(^VXWORT(X)) Q:X=""  Q:$E(X,1,L)'=D  D  Q:N'<MH  Q:S'<MS
 . S A="" F  S A=$O(^VXWORT(X,A)) Q:A=""  S S=S+1 D  Q:N'<MH  Q:S'<MS
 . . S V=^VXWORT(X,A) S:V="" V=$$ENTRY(A) S E=$F(V,$C(1))
 . . S OK=1 F I=1:1:C I '$F(V,P(I),E) S OK=0 Q
 . . Q:'OK
 . . ; an account found under two words of the lead's prefix is listed once
 . . Q:$D(Y(A))  S Y(A)=""
 . . S R=R_$E(V,1,E-2)_$C(255),N=N+1
 Q R
 ;
LEAD(W) ; the word of W(word) that the fewest index entries begin with
 N X,C,B,BC
 S X=$O(W("")),B=X I $O(W(X))="" Q X
 S BC=$$COUNT(X,1E9)
 F  S X=$O(W(X)) Q:X=""  S C=$$COUNT(X,BC) I C<BC S B=X,BC=C
 Q B
 ;
COUNT(P,MAX) ; index entries of words beginning with P, counted up to MAX
 N X,C
 S C=0,X=$O(^VXWORT(P),-1)
 F  S X=$O(^VXWORT(X)) Q:X=""  Q:$E(X,1,$L(P))'=P  S C=C+$G(^VXWORT(X)) Q:C'<MAX
 Q C
 ;
OWN(A) ; " W1 W2 ... " the folded words of account A's name and town
 N D,V,X,S
 S D=^VXADR(A) D WORDS^VXUTIL($P(D,"`",2)_" "_$P(D,"`",7),.V)
 S S=" ",X="" F  S X=$O(V(X)) Q:X=""  S S=S_X_" "
 Q S
 ;
ROW(A) ; number, name, telephone, postcode, town
 N D S D=^VXADR(A)
 Q A_"`"_$$CLEAN^VXUTIL($P(D,"`",2))_"`"_$$FIRST^VXTEL(A,"T")_"`"_$P(D,"`",6)_"`"_$P(D,"`",7)
 ;
ENTRY(A) ; the index entries' value for account A
 Q $$ROW(A)_$C(1)_$$OWN(A)
 ;
INDEX(A) ; puts the words of account A's name and town into the word index
 N S,V,X,I
 S V=$$ENTRY(A),S=$P(V,$C(1),2)
 F I=2:1:$L(S," ")-1 S X=$P(S," ",I) D
 . I '$D(^VXWORT(X,A)) S ^VXWORT(X)=$G(^VXWORT(X))+1
 . S ^VXWORT(X,A)=V
 Q
 ;
UPGRADE ; once per database: word counts, and every index entry holding its account's row and words
 N A,X
 Q:$G(^VXPAR("WORTE"))=3
 S X="" F  S X=$O(^VXWORT(X)) Q:X=""  S ^VXWORT(X)=$$ENTRIES(X)
 S A="" F  S A=$O(^VXADR(A)) Q:A=""  K:$D(^VXADR(A,"W")) ^VXADR(A,"W") D INDEX(A)
 S ^VXPAR("WORTE")=3
 Q
 ;
ENTRIES(X) ; accounts that have word X
 N A,C S A="",C=0
 F  S A=$O(^VXWORT(X,A)) Q:A=""  S C=C+1
 Q C
