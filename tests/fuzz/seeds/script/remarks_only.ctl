# remark only


  	#L01=A