VXPOOL ; VENTOR server listener and its pool of waiting connection processes
 ; The listener accepts clients on the server's port and keeps a local socket DIR/pool.sock.
 ; Connection processes are started ahead of their clients (VENTOR_POOL wait at any time) and
 ; stay connected to the pool socket (connecting a GT.M socket costs a tenth of a second). A
 ; client goes to the longest waiting process (WRITE /PASS), which serves it (SERVE^VXGW) and
 ; then waits for the next one, with nothing of the last connection left: no variable, lock,
 ; timer, transaction or device. A process that ended on an error is replaced; one that served
 ; VENTOR_REUSE clients ends.
 ; A process waiting for its N-th client holds the lock ^VXPOOL("I",pid,N): the listener, which
 ; counts what it passed to each, sees from it which of them wait.
 ; GT.M listens on every interface: a client that reached the port at any other address than
 ; VENTOR_ADDRESS is closed before anything is read from it.
 Q
 ;
LISTEN ; the listener (ventor-server start); ends when its port fails
 ; Devices: T the port, P the pool socket, W the processes' sockets. The listener polls the
 ; descriptors itself (vxsec.c): GT.M's /WAIT keeps announcing a socket that carried passed
 ; sockets.
 N T,P,W,POOL,PROC,PEND,START,WANT,ZL,SLIPS
 S T="|VXL|",P="|VXP|",W="|VXW|",POOL=$$CONF^VXSEC("POOL",4),WANT=$$ADDRESS
 O T:(LISTEN=$$CONF^VXSEC("PORT",0)_":TCP":ATTACH="tcp":IOERROR="TRAP")::"SOCKET"
 U T W /LISTEN(256)
 O P:(LISTEN=$$SOCK_":LOCAL":ATTACH="pool":IOERROR="TRAP")::"SOCKET"
 U P W /LISTEN(256)
 O W:::"SOCKET"
 I $&vxsec.childsockets(16)
 D FILL
 S ZL=$ZL,SLIPS=0
LOOP N $ET S $ET="D SLIP^VXPOOL ZG "_ZL_":LOOP^VXPOOL"
 F  D EVENT S SLIPS=0
 ;
EVENT ; waits for clients and processes; queued clients wait for processes on their way
 N F,H
 S F=$$FD(T,"tcp")_","_$$FD(P,"pool"),H=""
 F  S H=$O(PROC(H)) Q:H=""  S F=F_","_$$FD(W,H)
 I $&vxsec.wait(F,$S($D(PEND):20,1:10000))
 D CLIENTS,ARRIVED,ENDED,HAND,FILL
 Q
 ;
FD(D,H) Q $ZSOCKET(D,"DESCRIPTOR",$ZSOCKET(D,"INDEX",H)) ; the descriptor of socket H
 ;
SLIP ; an error around one client or process: that one is lost, the listener goes on
 ; Errors in a row without one good event mean the listener's own sockets failed.
 N ST S ST=$ZSTATUS,$EC=""
 D LOG^VXSEC("listener: "_$P(ST,",",3,9))
 S SLIPS=SLIPS+1 I SLIPS>50 HALT
 Q
 ;
CLIENTS ; clients at the port: queued, without a read, for the next waiting process
 ; A client that came to another address than the server's is closed unheard.
 N I,K,H
 F I=1:1:100 U T W /WAIT(0) S K=$KEY,H=$P(K,"|",2) Q:$P(K,"|")'="CONNECT"  D
 . I WANT'="",$$PLAIN($ZSOCKET(T,"LOCALADDRESS",$ZSOCKET(T,"INDEX",H)))'=WANT C T:(SOCKET=H) Q
 . U T:(DETACH=H)
 . S PEND($O(PEND(""),-1)+1)=H
 Q
 ;
ARRIVED ; started processes that connected to the pool socket
 ; PROC(handle) = pid ` clients passed to it
 N I,K,H
 F I=1:1:100 U P W /WAIT(0) S K=$KEY,H=$P(K,"|",2) Q:$P(K,"|")'="CONNECT"  D
 . U P:(DETACH=H) U W:(ATTACH=H)
 . S PROC(H)=$&vxsec.peer($$FD(W,H))_"`0" K START($O(START("")))
 Q
 ;
ENDED ; processes that ended (a pool socket carries no data: something to read is its end), and
 ; waiting ones beyond twice the pool, sent away
 N H,N S H="",N=0
 F  S H=$O(PROC(H)) Q:H=""  D
 . I $&vxsec.readable($$FD(W,H)) C W:(SOCKET=H) K PROC(H) Q
 . I $$WAITS(H) S N=N+1 I N>(2*POOL) C W:(SOCKET=H) K PROC(H)
 Q
 ;
WAITS(H) ; 1 when process H waits for its next client
 N L S L=$NA(^VXPOOL("I",+PROC(H),$P(PROC(H),"`",2)+1))
 L +@L:0 E  Q 1
 L -@L
 Q 0
 ;
HAND ; queued clients to waiting processes, the longest waiting first
 N C,H S H=""
 F  S C=$O(PEND("")) Q:C=""  D  Q:H=""
 . F  S H=$O(PROC(H)) Q:H=""  Q:$$WAITS(H)
 . Q:H=""
 . U W:(SOCKET=H) W /PASS(,5,PEND(C)) K PEND(C)
 . S $P(PROC(H),"`",2)=$P(PROC(H),"`",2)+1
 Q
 ;
FILL ; starts processes until VENTOR_POOL wait beyond the queued clients
 ; A start that did not arrive within 10 s is given up (the process failed or was killed).
 N N,J,H
 S J="" F  S J=$O(START(J)) Q:J=""!(J>($ZUT-10000000))  K START(J)
 S N=$$COUNT(.START)-$$COUNT(.PEND),H=""
 F  S H=$O(PROC(H)) Q:H=""  S N=N+$$WAITS(H)
 F N=N+1:1:POOL D
 . S J="WORK^VXPOOL:(OUTPUT=""/dev/null"":ERROR=""/proc/"_$J_"/fd/2"")"
 . J @J S START($ZUT)=""
 Q
 ;
COUNT(A) N N,S S N=0,S="" F  S S=$O(A(S)) Q:S=""  S N=N+1
 Q N
 ;
WORK ; a connection process, started ahead: serves clients one after the other
 N N,M
 ; Opened now, so that stop, kill and status find every process of the server by its file.
 I $D(^VXPAR)
 S $ET="HALT",M=$$CONF^VXSEC("REUSE",1000)
 ; Errors on the pool socket set $DEVICE only: a listener that ends or sends this process
 ; away ends it quietly.
 O "|VXW|":(CONNECT=$$SOCK_":LOCAL":ATTACH="pool"):10:"SOCKET" E  HALT
 ; Between clients every variable, lock and timer of the last one goes.
 F N=1:1:M L +^VXPOOL("I",$J,N) D ONE K (N,M) L  S $ZTIMEOUT=-1
 HALT
 ;
ONE ; waits for the next client and serves it
 N D,H
 S D="|VXC|",$ET="HALT"
 U "|VXW|" W /ACCEPT(.H,,) I $DEVICE HALT
 O D:::"SOCKET" U D:(ATTACH=H) U D:(SOCKET=H) U D:(NODELIMITER:ZNODELAY:IOERROR="TRAP")
 S $ET="D LOG^VXSEC(""TLS handshake failed"") HALT"
 I $$CONF^VXSEC("TLS",0) D TLS(D)
 ; The client's socket is the current device: an error goes to the log, not to the client.
 S $ET="D LOG^VXSEC($ZSTATUS) HALT"
 D SERVE^VXGW(D)
 TROLLBACK:$TLEVEL
 S $ET="HALT"
 C D
 Q
 ;
TLS(D) ; the TLS handshake on the client's socket D
 ; GT.M buffers the output of a TLS socket in a buffer of the socket's ZBFSIZE and arms a flush
 ; timer for every write that fits: a timer, its signal masks and its cancelling per reply, half
 ; the system calls of a request. With a one-byte buffer every reply frame goes out at once.
 ; The output buffer takes its size from ZBFSIZE when TLS begins; the read buffer, sized by the
 ; same parameter, gets its default back afterwards.
 N B S B=$ZSOCKET(D,"ZBFSIZE",0)
 U D:ZBFSIZE=1
 W /TLS("server",$$CONF^VXSEC("FRAME",10),"ventor") E  D LOG^VXSEC("TLS handshake timed out") HALT
 U D:ZBFSIZE=B
 Q
 ;
SOCK() Q $ZTRNLNM("VENTOR_DIR")_"/pool.sock" ; the listener's local socket
 ;
ADDRESS() ; the address clients must have reached, "" for every address
 N A S A=$ZTRNLNM("VENTOR_ADDRESS")
 Q $S(A="0.0.0.0"!(A="::"):"",1:A)
 ;
PLAIN(A) ; an IPv4 address as GT.M's dual-stack sockets show it, without the IPv6 prefix
 Q $S($E(A,1,7)="::ffff:":$E(A,8,$L(A)),1:A)
